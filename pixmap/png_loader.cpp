// The PNG loader. libpng reports errors by longjmp; each setjmp lives in a
// small function that holds only plain pointers, so no C++ frame with live
// destructors is ever skipped. Errors thrown by the stream inside
// the read callback are caught there, parked in the DecodeJob, turned into a
// libpng error, and thrown again once libpng's structures are destroyed.
//
// The header is read first, so that a picture too large for the limits, or of
// a layout without a pixmap format (grey with alpha), is refused before any
// pixel memory is allocated; the rows are then decoded straight into the
// pixmap, with no intermediate copy.
#include "pixmap/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <exception>
#include <vector>

#include "pixmap/loader_io_internal.h"

namespace salvo {
namespace {

constexpr int kSignatureBytes = 8;

// Everything the read callback needs, reached through libpng's I/O pointer.
struct DecodeJob {
  TStream* stream = nullptr;
  std::exception_ptr streamError;
};

// What the header says about the image after the transforms.
struct ImageLayout {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colorType = 0;
  size_t rowBytes = 0;
  int64_t storedBytes = 0;  // the filtered rows before compression, as stored
};

// libpng's error handler must not return. Nothing is printed: a file that
// cannot be decoded is reported by the Null result alone.
[[noreturn]] void OnError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// Reads exactly count bytes from the job's stream. An exception from the
// stream is kept for rethrowing after cleanup; it and a short read (the
// stream ended inside the file) both end the decode through png_error, which
// is called only after the catch block has finished.
bool FillBuffer(DecodeJob& job, png_bytep data, size_t count) {
  try {
    return ReadExactly(*job.stream, data, int64_t(count));
  } catch (...) {
    job.streamError = std::current_exception();
    return false;
  }
}

void ReadFromStream(png_structp png, png_bytep data, size_t count) {
  auto* job = static_cast<DecodeJob*>(png_get_io_ptr(png));
  if (!FillBuffer(*job, data, count)) png_error(png, "read failed");
}

// The two steps below run under libpng's setjmp. Each holds only plain
// pointers, so a longjmp out of libpng skips no destructor.

// Reads the header, sets up the transforms (16-bit channels to 8, palettes
// to RGB or RGBA, grey below 8 bits to 8, transparency chunks to alpha) and
// reports the transformed layout. False on any libpng error, including a
// side above the user limits.
bool ReadHeader(png_structp png, png_infop info, ImageLayout* layout) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_sig_bytes(png, kSignatureBytes);
  png_read_info(png, info);
  layout->storedBytes =
      int64_t(png_get_image_height(png, info)) * (int64_t(png_get_rowbytes(png, info)) + 1);
  png_set_strip_16(png);
  png_set_expand(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  png_get_IHDR(png, info, &width, &height, &layout->bitDepth, &layout->colorType, nullptr, nullptr,
               nullptr);
  layout->width = int(width);
  layout->height = int(height);
  layout->rowBytes = png_get_rowbytes(png, info);
  return true;
}

// Decodes every row into the given row addresses and reads to the end of
// the file. False on any libpng error.
bool ReadRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

int PixmapFormatOf(const ImageLayout& layout) {
  if (layout.bitDepth != 8) return PF_NONE;
  switch (layout.colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return PF_I8;
    case PNG_COLOR_TYPE_RGB:
      return PF_RGB888;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return PF_RGBA8888;
    default:  // grey with alpha has no pixmap format
      return PF_NONE;
  }
}

// Deflate turns at most 1 byte into 1032, so the bytes left in the stream
// bound the rows the file can really hold, whatever its header claims.
constexpr int64_t kMostInflatedPerByte = 1032;

bool FitsTheBudget(const ImageLayout& layout, TStream& stream) {
  return PictureFitsLimits(layout.width, layout.height, 1) &&
         int64_t(layout.rowBytes) * layout.height <= kMaxPictureBytes &&
         layout.storedBytes <= BytesLeft(stream) * kMostInflatedPerByte;
}

// Owns the libpng read and info structures for one load.
class ReadStructs {
 public:
  explicit ReadStructs(DecodeJob& job) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png) info = png_create_info_struct(png);
    if (png) png_set_read_fn(png, &job, ReadFromStream);
  }
  ~ReadStructs() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
  ReadStructs(const ReadStructs&) = delete;
  ReadStructs& operator=(const ReadStructs&) = delete;

  png_structp png = nullptr;
  png_infop info = nullptr;
};

// Decodes straight into the pixmap's rows: libpng delivers red, green, blue
// (and alpha) in memory order, which is RGB888 / RGBA8888 as they are.
Ref<TPixmap> Decode(ReadStructs& structs, TStream& stream) {
  ImageLayout layout;
  if (!ReadHeader(structs.png, structs.info, &layout)) return nullptr;
  const int format = PixmapFormatOf(layout);
  if (format == PF_NONE || !FitsTheBudget(layout, stream)) return nullptr;
  if (layout.rowBytes != size_t(layout.width) * BytesPerPixel(format)) return nullptr;
  Ref<TPixmap> pixmap = CreatePixmap(layout.width, layout.height, format, 4);
  std::vector<png_bytep> rows(size_t(layout.height));
  for (int y = 0; y < layout.height; ++y) rows[size_t(y)] = GetPixelPtr(pixmap, 0, y);
  if (!ReadRows(structs.png, rows.data())) return nullptr;
  return pixmap;
}

Ref<TPixmap> DecodeStream(TStream& stream) {
  DecodeJob job;
  job.stream = &stream;
  Ref<TPixmap> pixmap;
  {
    ReadStructs structs(job);
    if (!structs.png || !structs.info) return nullptr;
    pixmap = Decode(structs, stream);
  }
  if (job.streamError) std::rethrow_exception(job.streamError);
  return pixmap;
}

bool HasSignature(TStream& stream) {
  // ReadBytes stops quietly at the end of the stream and leaves the rest of
  // the buffer as it was. The signature ends in a non-zero byte, so a zeroed
  // buffer never matches after a short read.
  png_byte signature[kSignatureBytes] = {};
  stream.ReadBytes(signature, kSignatureBytes);
  return png_sig_cmp(signature, 0, kSignatureBytes) == 0;
}

}  // namespace

Ref<TPixmap> TPNGPixmapLoader::LoadPixmap(Ref<TStream> source) {
  StreamCloser closer(ReadStream(source));
  if (!closer.Stream()) return nullptr;
  if (!HasSignature(*closer.Stream())) return nullptr;
  return DecodeStream(*closer.Stream());
}

void InitPNGModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  InitPixmapModule();
  New<TPNGPixmapLoader>();
}

}  // namespace salvo
