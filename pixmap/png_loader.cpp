// The PNG loader. libpng reports errors by longjmp; the setjmp lives in
// DecodeImage, a function that holds only plain pointers, so no C++ frame
// with live destructors is ever skipped. Errors thrown by the stream inside
// the read callback are caught there, parked in the DecodeJob, turned into a
// libpng error, and thrown again once libpng's structures are destroyed.
#include "pixmap/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace salvo {
namespace {

constexpr int kSignatureBytes = 8;

// Everything the libpng callbacks need, reached through libpng's pointers.
struct DecodeJob {
  TStream* stream = nullptr;
  std::exception_ptr streamError;
  int64_t allocatedBytes = 0;  // libpng's memory in use, bounded by kMaxPNGBytes
};

// libpng memory, with a size header so that the total can be bounded: an
// image whose rows would exceed the budget fails as out of memory.
struct alignas(std::max_align_t) AllocationHeader {
  size_t size;
};

png_voidp Allocate(png_structp png, png_alloc_size_t size) {
  auto* job = static_cast<DecodeJob*>(png_get_mem_ptr(png));
  if (job->allocatedBytes + int64_t(size) > kMaxPNGBytes) return nullptr;
  auto* header = static_cast<AllocationHeader*>(std::malloc(sizeof(AllocationHeader) + size));
  if (!header) return nullptr;
  header->size = size;
  job->allocatedBytes += int64_t(size);
  return header + 1;
}

void Free(png_structp png, png_voidp memory) {
  if (!memory) return;
  auto* header = static_cast<AllocationHeader*>(memory) - 1;
  static_cast<DecodeJob*>(png_get_mem_ptr(png))->allocatedBytes -= int64_t(header->size);
  std::free(header);
}

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
    while (count > 0) {
      if (job.stream->Eof()) return false;
      int32_t chunk = count > 1 << 30 ? 1 << 30 : int32_t(count);
      int32_t read = job.stream->Read(data, chunk);
      if (read <= 0) throw TStreamReadException();
      data += read;
      count -= size_t(read);
    }
    return true;
  } catch (...) {
    job.streamError = std::current_exception();
    return false;
  }
}

void ReadFromStream(png_structp png, png_bytep data, size_t count) {
  auto* job = static_cast<DecodeJob*>(png_get_io_ptr(png));
  if (!FillBuffer(*job, data, count)) png_error(png, "read failed");
}

// Decodes the whole image into libpng's row buffers; false on any libpng
// error. Holds only plain pointers across the setjmp.
bool DecodeImage(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxPNGSide, kMaxPNGSide);
  png_set_sig_bytes(png, kSignatureBytes);
  png_read_png(png, info, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_EXPAND, nullptr);
  return true;
}

int PixmapFormatOf(int colorType) {
  switch (colorType) {
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

// The decoded rows as a pixmap, or Null for a layout without a pixmap format.
Ref<TPixmap> CopyRows(png_structp png, png_infop info) {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  int format = PixmapFormatOf(colorType);
  if (bitDepth != 8 || format == PF_NONE) return nullptr;
  // DecodeImage has already bounded the size through the user limits.
  Ref<TPixmap> pixmap = CreatePixmap(int(width), int(height), format, 4);
  png_bytepp rows = png_get_rows(png, info);
  size_t rowBytes = size_t(width) * BytesPerPixel(format);
  for (png_uint_32 y = 0; y < height; ++y) {
    std::memcpy(GetPixelPtr(pixmap, 0, int(y)), rows[y], rowBytes);
  }
  return pixmap;
}

// Owns the libpng read and info structures for one load.
class ReadStructs {
 public:
  explicit ReadStructs(DecodeJob& job) {
    png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning, &job,
                                   Allocate, Free);
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

Ref<TPixmap> DecodeStream(TStream& stream) {
  DecodeJob job;
  job.stream = &stream;
  Ref<TPixmap> pixmap;
  {
    ReadStructs structs(job);
    if (!structs.png || !structs.info) return nullptr;
    if (DecodeImage(structs.png, structs.info)) pixmap = CopyRows(structs.png, structs.info);
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

// Closes the loader's stream however the load ends.
class ClosingStream {
 public:
  explicit ClosingStream(Ref<TStream> stream) : stream(std::move(stream)) {}
  ~ClosingStream() {
    try {
      if (stream) stream->Close();
    } catch (...) {
      // The load's own result or error is what matters.
    }
  }
  ClosingStream(const ClosingStream&) = delete;
  ClosingStream& operator=(const ClosingStream&) = delete;

  Ref<TStream> stream;
};

}  // namespace

Ref<TPixmap> TPNGPixmapLoader::LoadPixmap(Ref<TStream> source) {
  ClosingStream opened(ReadStream(source));
  if (!opened.stream) return nullptr;
  if (!HasSignature(*opened.stream)) return nullptr;
  return DecodeStream(*opened.stream);
}

void InitPNGModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  InitPixmapModule();
  New<TPNGPixmapLoader>();
}

}  // namespace salvo
