// Pictures of every loader whose headers claim far more pixels than the data
// holds: each loader must refuse them before allocating what the header
// claims. Such a load runs in a child process whose address space may grow
// by only 64 MiB, so an allocation of the 256 MiB such a header claims fails
// there.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <tuple>

#include "pixmap/bmp_loader.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "tests/pixmap/picture_writers.h"

namespace salvo::test {
namespace {

constexpr long kHeadroom = 64L << 20;

// True when load() returns true in a child whose address space is limited to
// its size at the start plus kHeadroom; an allocation beyond that fails there
// (an exception, or the sanitizer's out-of-memory report) and gives false.
bool LoadsWithinHeadroom(const std::function<bool()>& load) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    long pages = -1;
    std::ifstream("/proc/self/statm") >> pages;
    const long limit = pages * sysconf(_SC_PAGESIZE) + kHeadroom;
    rlimit bound{rlim_t(limit), rlim_t(limit)};
    if (pages <= 0 || setrlimit(RLIMIT_AS, &bound) != 0) _exit(3);
    try {
      _exit(load() ? 0 : 1);
    } catch (...) {
      _exit(2);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(OversizedHeader, TGABMPAndPNGClaimingTwoHundredFiftySixMiBAreRefusedBeforeAllocating) {
  // Fewer pixels than the limit has bytes, but at four bytes each more memory,
  // in as many run-length packets as that many pixels need.
  Bytes wide = TGA(10, 16384, 4097, 32, 0, {});
  for (int packet = 0; packet <= 16384 * 4097 / 128; ++packet) {
    wide.insert(wide.end(), {0xFF, 1, 2, 3, 4});
  }
  Bytes png = EncodePNG(PNGImage{4, 4, 8, PNG_COLOR_TYPE_RGB_ALPHA, Bytes(64, 0x80)});
  PatchHeaderSize(png, 8192, 8192);
  std::tuple<const char*, Ref<TPixmapLoader>, Bytes> loads[] = {
      // 8192 x 8192 BGRA: exactly the largest picture the loaders accept.
      {"TGA", New<TTGAPixmapLoader>(), TGA(2, 8192, 8192, 32, 0, {})},
      // 2,000 bytes of packets expand to at most 51,200 pixels.
      {"TGA run-length", New<TTGAPixmapLoader>(), TGA(10, 8192, 8192, 32, 0, Bytes(2000, 0xFF))},
      {"TGA over the byte limit", New<TTGAPixmapLoader>(), wide},
      // The first few rows' worth of pixels at most.
      {"BMP", New<TBMPPixmapLoader>(), BMP(8192, 8192, 32, {}, Bytes(1000, 0x80))},
      {"PNG", New<TPNGPixmapLoader>(), png},
  };
  for (auto& [name, loader, bytes] : loads) {
    EXPECT_TRUE(LoadsWithinHeadroom([&] { return !loader->LoadPixmap(StreamOver(bytes)); }))
        << name;
  }
}

}  // namespace
}  // namespace salvo::test
