// Pictures whose headers claim far more pixels than the data holds: each
// loader must refuse them before allocating what the header claims. The load
// runs in a child process whose address space may grow by only 64 MiB, so an
// allocation of the 256 MiB such a header claims fails there.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "pixmap/bmp_loader.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"
#include "png_writer.h"

namespace salvo {
namespace {

using Bytes = std::vector<uint8_t>;
using test::StreamOver;

constexpr long kHeadroom = 64L << 20;

long AddressSpaceBytes() {
  long pages = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return -1;
  if (std::fscanf(statm, "%ld", &pages) != 1) pages = -1;
  std::fclose(statm);
  return pages < 0 ? -1 : pages * sysconf(_SC_PAGESIZE);
}

// True when load() returns true in a child whose address space is limited to
// its size at the start plus kHeadroom; an allocation beyond that fails there
// (an exception, or the sanitizer's out-of-memory report) and gives false.
bool LoadsWithinHeadroom(const std::function<bool()>& load) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    long limit = AddressSpaceBytes() + kHeadroom;
    rlimit bound{rlim_t(limit), rlim_t(limit)};
    if (limit <= kHeadroom || setrlimit(RLIMIT_AS, &bound) != 0) _exit(3);
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

// An 18-byte TGA header and nothing else.
Bytes TGAHeader(int kind, int width, int height, int depth) {
  return {0,
          0,
          uint8_t(kind),
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          uint8_t(width),
          uint8_t(width >> 8),
          uint8_t(height),
          uint8_t(height >> 8),
          uint8_t(depth),
          0};
}

template <class Loader>
bool GivesNull(Bytes bytes) {
  return !New<Loader>()->LoadPixmap(StreamOver(bytes));
}

TEST(OversizedHeader, TGAClaimingTwoHundredFiftySixMiBIsRefusedBeforeAllocating) {
  // 8192 x 8192 BGRA: exactly the largest picture the loaders accept.
  EXPECT_TRUE(LoadsWithinHeadroom(
      [] { return GivesNull<TTGAPixmapLoader>(TGAHeader(2, 8192, 8192, 32)); }));
  // Run-length: 2,000 bytes of packets expand to at most 51,200 pixels.
  Bytes runs = TGAHeader(10, 8192, 8192, 32);
  runs.resize(runs.size() + 2000, 0xFF);
  EXPECT_TRUE(LoadsWithinHeadroom([runs] { return GivesNull<TTGAPixmapLoader>(runs); }));
}

TEST(OversizedHeader, TGARunsOfTheLongestLengthStillLoad) {
  // 256 x 256 of one colour in 512 packets of 128 pixels: exactly as many
  // pixels as the bytes left can expand to.
  Bytes file = TGAHeader(10, 256, 256, 32);
  for (int packet = 0; packet < 512; ++packet) file.insert(file.end(), {0xFF, 1, 2, 3, 4});
  Ref<TPixmap> pixmap = New<TTGAPixmapLoader>()->LoadPixmap(StreamOver(file));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->width, 256);
  EXPECT_EQ(GetPixelPtr(pixmap, 255, 255)[3], 4);
  file.pop_back();  // one byte short: the last packet is cut
  EXPECT_FALSE(New<TTGAPixmapLoader>()->LoadPixmap(StreamOver(file)));
}

TEST(OversizedHeader, BMPClaimingTwoHundredFiftySixMiBIsRefusedBeforeAllocating) {
  Bytes file = {'B', 'M',  0,  0,  0, 0, 0, 0, 0,    0, 54,
                0,   0,    0,  40, 0, 0, 0, 0, 0x20, 0, 0,  // width 8192
                0,   0x20, 0,  0,                           // height 8192
                1,   0,    32, 0,  0, 0, 0, 0};
  file.resize(54 + 1000, 0x80);  // the first few rows' worth of pixels at most
  EXPECT_TRUE(LoadsWithinHeadroom([file] { return GivesNull<TBMPPixmapLoader>(file); }));
}

TEST(OversizedHeader, PNGClaimingTwoHundredFiftySixMiBIsRefusedBeforeAllocating) {
  test::PNGImage image(4, 4, 8, PNG_COLOR_TYPE_RGB_ALPHA, Bytes(64, 0x80));
  Bytes file = test::EncodePNG(image);
  test::PatchHeaderSize(file, 8192, 8192);
  EXPECT_TRUE(LoadsWithinHeadroom([file] { return GivesNull<TPNGPixmapLoader>(file); }));
}

TEST(OversizedHeader, PNGCompressedAsTightlyAsDeflateCanStillLoads) {
  // 2048 x 2048 of one grey: about 4 MiB of rows in a few kilobytes.
  test::PNGImage image(2048, 2048, 8, PNG_COLOR_TYPE_GRAY, Bytes(2048 * 2048, 0));
  Bytes file = test::EncodePNG(image);
  ASSERT_LT(file.size(), 2048u * 2049 / 500);
  Ref<TPixmap> pixmap = New<TPNGPixmapLoader>()->LoadPixmap(StreamOver(file));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->height, 2048);
}

}  // namespace
}  // namespace salvo
