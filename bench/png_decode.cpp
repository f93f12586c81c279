// PNG decoding through LoadPixmap against a bare libpng decode of the same
// bytes, for a generated 256 x 256 RGB picture and for every bundled PNG.
// Prints the overhead of the loader path over bare libpng for each picture.
#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "assets/bundled_assets.h"
#include "pixmap/png_loader.h"

namespace {

using salvo::New;
using salvo::Ref;
using salvo::TMemoryStream;
using salvo::TPixmap;

struct Bytes {
  const unsigned char* data;
  size_t size;
};

// --- a generated picture ---------------------------------------------------

void AppendBytes(png_structp png, png_bytep data, size_t size) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}

bool WriteRGB(png_structp png, png_infop info, int size, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

// Gradients with a little deterministic noise, so the data compresses like
// a real picture rather than like a flat fill.
std::vector<unsigned char> GeneratedPNG(int size) {
  std::vector<unsigned char> pixels(size_t(size) * size * 3);
  uint32_t noise = 12345;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      noise = noise * 1103515245u + 12345u;
      unsigned char* p = &pixels[(size_t(y) * size + x) * 3];
      p[0] = static_cast<unsigned char>(x + (noise >> 28));
      p[1] = static_cast<unsigned char>(y + (noise >> 29));
      p[2] = static_cast<unsigned char>((x ^ y) + (noise >> 30));
    }
  }
  std::vector<png_bytep> rows;
  for (int y = 0; y < size; ++y) rows.push_back(&pixels[size_t(y) * size * 3]);
  std::vector<unsigned char> file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &file, AppendBytes, NoFlush);
  if (!WriteRGB(png, info, size, rows.data())) file.clear();
  png_destroy_write_struct(&png, &info);
  return file;
}

// --- bare libpng ------------------------------------------------------------

struct MemoryReader {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

void ReadMemory(png_structp png, png_bytep out, size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->size - reader->pos < count) png_error(png, "truncated");
  std::memcpy(out, reader->data + reader->pos, count);
  reader->pos += count;
}

// The whole image decoded into libpng's own rows, with the loader's
// transforms; returns the number of pixel bytes, 0 on failure.
size_t BareDecode(const Bytes& bytes) {
  MemoryReader reader{bytes.data, bytes.size, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  size_t decoded = 0;
  if (!setjmp(png_jmpbuf(png))) {
    png_set_read_fn(png, &reader, ReadMemory);
    png_read_png(png, info, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_EXPAND, nullptr);
    decoded = png_get_rowbytes(png, info) * png_get_image_height(png, info);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return decoded;
}

// --- the benchmarks -----------------------------------------------------------

void LoaderPath(benchmark::State& state, Bytes bytes) {
  salvo::InitPNGModule();
  for (auto _ : state) {
    Ref<TPixmap> pixmap = salvo::LoadPixmap(New<TMemoryStream>(
        const_cast<unsigned char*>(bytes.data), int32_t(bytes.size), true, false));
    if (!pixmap) {
      state.SkipWithError("LoadPixmap gave Null");
      break;
    }
    benchmark::DoNotOptimize(pixmap->pixels);
    pixmap = nullptr;
    salvo::ReleaseStep();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size));
}

void BarePath(benchmark::State& state, Bytes bytes) {
  for (auto _ : state) {
    size_t decoded = BareDecode(bytes);
    if (decoded == 0) {
      state.SkipWithError("libpng failed");
      break;
    }
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size));
}

void RegisterPair(const std::string& name, Bytes bytes) {
  benchmark::RegisterBenchmark(("Bare/" + name).c_str(), BarePath, bytes);
  benchmark::RegisterBenchmark(("LoadPixmap/" + name).c_str(), LoaderPath, bytes);
}

// Prints the usual table, then the loader's overhead over bare libpng for
// each picture.
class OverheadReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // Single runs, or the median when repetitions are asked for.
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
      const std::string& name = run.run_name.function_name;
      size_t slash = name.find('/');
      times_[name.substr(slash + 1)][name.substr(0, slash)] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nLoadPixmap overhead over bare libpng (CPU time, goal < 25 %%):\n");
    for (const auto& [picture, paths] : times_) {
      auto bare = paths.find("Bare");
      auto loader = paths.find("LoadPixmap");
      if (bare == paths.end() || loader == paths.end() || bare->second <= 0) continue;
      std::printf("  %-28s %+6.1f %%\n", picture.c_str(),
                  100.0 * (loader->second - bare->second) / bare->second);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  static const std::vector<unsigned char> generated = GeneratedPNG(256);
  RegisterPair("generated_256x256_rgb", {generated.data(), generated.size()});
  for (const salvo::BundledAsset& asset : salvo::BundledAssets()) {
    std::string name = asset.name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
      RegisterPair(name, {asset.data, size_t(asset.size)});
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  OverheadReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
