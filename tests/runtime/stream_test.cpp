#include "runtime/stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assets/bundled_assets.h"
#include "raised.h"
#include "runtime/embedded.h"
#include "runtime/list.h"
#include "test_streams.h"
#include "tests/unique_test_path.h"

namespace salvo {
namespace {

using testing::Raised;
using testing::StreamOver;

TEST(MemoryStream,
     ReadsAreLittleEndianZerosPastTheEndSeekIsClampedWritesStayInsideNegativeCountsReadNothing) {
  std::string bytes("\x01\x02\x03\x04\x05\x06\x07\x08\xFF\xFF\x34\x12", 12);
  Ref<TMemoryStream> stream = StreamOver(bytes);
  EXPECT_EQ(stream->ReadShort(), 0x0201);
  EXPECT_EQ(stream->ReadInt(), 0x06050403);
  EXPECT_EQ(stream->ReadByte(), 7);
  EXPECT_EQ(stream->ReadByte(), 8);
  EXPECT_EQ(stream->ReadShort(), 0xFFFF);  // no sign extension
  EXPECT_EQ(stream->ReadInt(), 0x1234);    // two bytes left: the rest are zeros
  EXPECT_TRUE(stream->Eof());
  EXPECT_EQ(stream->ReadInt(), 0);
  EXPECT_EQ(stream->ReadLong(), 0);
  bytes.assign(8, '\0');
  stream = StreamOver(bytes, true);
  EXPECT_EQ(stream->Seek(-5), 0);
  EXPECT_EQ(stream->Seek(18), 8);
  stream->Seek(0);
  stream->WriteInt(-2);
  stream->WriteFloat(1.5f);
  EXPECT_THROW(stream->WriteByte(1), TStreamWriteException);
  stream->Seek(0);
  EXPECT_EQ(stream->ReadInt(), -2);
  EXPECT_EQ(stream->ReadFloat(), 1.5f);
  EXPECT_EQ(bytes.size(), 8u);
  char out[4] = {};
  EXPECT_EQ(New<TMemoryStream>(bytes.data(), -20, true, false)->Size(), 0);
  stream->Seek(0);
  EXPECT_EQ(stream->Read(out, -3), 0);
  EXPECT_EQ(stream->ReadString(-1), u"");
  EXPECT_EQ(stream->SkipBytes(-7), -7);
  EXPECT_EQ(stream->Pos(), 0);
}

TEST(Stream, NoProgressOrNoOverrideRaisesTheStreamErrorsLinesAndStrings) {
  std::vector<uint8_t> bytes(10);
  Ref<TStream> stuck = New<testing::FailingStream>(bytes, 0);  // no progress either way
  char buffer[4];
  EXPECT_EQ(Raised<TStreamReadException>([&] { stuck->ReadBytes(buffer, 4); }),
            "Error reading from stream");
  EXPECT_THROW(stuck->SkipBytes(3), TStreamReadException);
  EXPECT_THROW(stuck->WriteInt(3), TStreamWriteException);
  // The base stream is neither readable nor writeable.
  Ref<TStream> base = New<TStream>();
  EXPECT_EQ(Raised<RuntimeError>([&] { base->Read(buffer, 1); }), "Stream is not readable");
  EXPECT_EQ(Raised<RuntimeError>([&] { base->Write(buffer, 1); }), "Stream is not writeable");
  EXPECT_EQ(base->Pos(), -1);
  std::string text("first\r\nsecond\nlast\0tail", 23);
  Ref<TMemoryStream> stream = StreamOver(text);
  for (const char16_t* line : {u"first", u"second", u"last"}) EXPECT_EQ(stream->ReadLine(), line);
  EXPECT_EQ(stream->ReadString(4), u"tail");
  EXPECT_EQ(stream->ReadLine(), u"");
  std::string out(16, '\0');
  StreamOver(out, true)->WriteLine(u"hi\u0141");  // only the low 8 bits of each character
  EXPECT_EQ(out.substr(0, 5), std::string("hi\x41\r\n"));
}

TEST(OpenStream, SplitsAtTheFirstSeparatorFindsEmbeddedFilesAndBorrowsStreamArguments) {
  InitStreamModule();
  static const char data[] = "embedded bytes";
  ASSERT_TRUE(RegisterEmbeddedFile(u"test.bin", data, 14));
  EXPECT_FALSE(RegisterEmbeddedFile(u"test.bin", "other", 5));
  EXPECT_EQ(EmbeddedFileData(u"Test.bin"), nullptr);
  EXPECT_EQ(EmbeddedFileSize(u"missing"), 0);

  Ref<TStream> stream = ReadStream(u"incbin::test.bin");
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Size(), 14);
  EXPECT_EQ(stream->ReadString(8), u"embedded");
  for (const char16_t* url :
       {u"incbin::Test.bin", u"incbin::", u"INCBIN::test.bin", u"nosuch::test.bin", u""}) {
    EXPECT_TRUE(ReadStream(url).IsNull()) << ToUtf8(url);
  }
  EXPECT_TRUE(WriteStream(u"incbin::test.bin").IsNull());

  ASSERT_TRUE(RegisterEmbeddedFile(u"a::b", data, 3));
  Ref<TStream> nested = ReadStream(u"incbin::a::b");
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->Size(), 3);
  // A stream given for a URL comes back borrowed.
  std::string bytes("xyz");
  Ref<TMemoryStream> inner = StreamOver(bytes);
  Ref<TStream> wrapper = ReadStream(inner);
  ASSERT_TRUE(wrapper);
  EXPECT_NE(wrapper, inner);
  EXPECT_EQ(wrapper->ReadByte(), 'x');
  wrapper->Close();
  EXPECT_EQ(inner->ReadByte(), 'y');  // the inner stream is still usable
  Ref<Object> notAStream = New<TList>();
  EXPECT_TRUE(ReadStream(StreamSource(notAStream)).IsNull());
}

TEST(FileStream, ReadsWritesAndFailsToOpen) {
  const std::string path = UniqueTestPath(".stream");
  String name = FromUtf8(path);
  EXPECT_TRUE(OpenStream(name, true, true).IsNull());  // "r+b" needs an existing file

  Ref<TStream> writer = WriteStream(name);
  ASSERT_TRUE(writer);
  writer->WriteInt(0x11223344);
  writer->WriteDouble(2.25);
  EXPECT_EQ(writer->Size(), 12);
  writer->Close();
  EXPECT_EQ(writer->Size(), 0);

  Ref<TStream> reader = ReadStream(name);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->Size(), 12);
  EXPECT_EQ(reader->ReadInt(), 0x11223344);
  EXPECT_EQ(reader->ReadDouble(), 2.25);
  EXPECT_TRUE(reader->Eof());
  EXPECT_EQ(reader->Seek(4), 4);
  EXPECT_EQ(reader->ReadDouble(), 2.25);
  reader->Close();
  std::filesystem::remove(path);
  EXPECT_TRUE(ReadStream(name).IsNull());
}

TEST(BundledAssets, EveryFileOfTheAssetsFolderIsBuiltIn) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(SALVO_SOURCE_DIR) / "assets")) {
    std::string extension = entry.path().extension().string();
    if (extension != ".png" && extension != ".wav" && extension != ".bin") continue;
    ++files;
    const BundledAsset* asset = FindBundledAsset(entry.path().filename().string());
    ASSERT_NE(asset, nullptr) << entry.path();
    ASSERT_EQ(asset->size, static_cast<int32_t>(entry.file_size()));
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(asset->data), bytes.size()), bytes);
  }
  EXPECT_EQ(static_cast<int>(BundledAssets().size()), files);
  EXPECT_EQ(FindBundledAsset("no-such-file.png"), nullptr);
}

}  // namespace
}  // namespace salvo
