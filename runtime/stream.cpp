#include "runtime/stream.h"

#include <algorithm>
#include <cstring>

namespace salvo {

int32_t TByteIO::Read(void*, int32_t) {
  ThrowRuntimeError("Stream is not readable");
}

int32_t TByteIO::Write(const void*, int32_t) {
  ThrowRuntimeError("Stream is not writeable");
}

int32_t TStream::ReadBytes(void* buffer, int32_t count) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  int32_t left = count;
  while (left > 0 && !Eof()) {
    int32_t n = Read(bytes, left);
    if (n <= 0) throw TStreamReadException();
    bytes += n;
    left -= n;
  }
  return count;
}

int32_t TStream::WriteBytes(const void* buffer, int32_t count) {
  auto* bytes = static_cast<const uint8_t*>(buffer);
  int32_t left = count;
  while (left > 0) {
    int32_t n = Write(bytes, left);
    if (n <= 0) throw TStreamWriteException();
    bytes += n;
    left -= n;
  }
  return count;
}

int32_t TStream::SkipBytes(int32_t count) {
  uint8_t scratch[1024];
  int32_t left = count;
  while (left > 0 && !Eof()) {
    int32_t n = Read(scratch, std::min<int32_t>(left, sizeof scratch));
    if (n <= 0) throw TStreamReadException();
    left -= n;
  }
  return count;
}

// Little-endian value of `size` bytes; bytes past the end of the stream stay 0.
static uint64_t ReadLittleEndian(TStream& stream, int size) {
  uint8_t bytes[8] = {};
  stream.ReadBytes(bytes, size);
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

static void WriteLittleEndian(TStream& stream, uint64_t value, int size) {
  uint8_t bytes[8];
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  stream.WriteBytes(bytes, size);
}

int32_t TStream::ReadByte() {
  return static_cast<int32_t>(ReadLittleEndian(*this, 1));
}
int32_t TStream::ReadShort() {
  return static_cast<int32_t>(ReadLittleEndian(*this, 2));
}
int32_t TStream::ReadInt() {
  return static_cast<int32_t>(static_cast<uint32_t>(ReadLittleEndian(*this, 4)));
}
int64_t TStream::ReadLong() {
  return static_cast<int64_t>(ReadLittleEndian(*this, 8));
}

float TStream::ReadFloat() {
  auto bits = static_cast<uint32_t>(ReadLittleEndian(*this, 4));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double TStream::ReadDouble() {
  uint64_t bits = ReadLittleEndian(*this, 8);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void TStream::WriteByte(int32_t value) {
  WriteLittleEndian(*this, static_cast<uint32_t>(value), 1);
}
void TStream::WriteShort(int32_t value) {
  WriteLittleEndian(*this, static_cast<uint32_t>(value), 2);
}
void TStream::WriteInt(int32_t value) {
  WriteLittleEndian(*this, static_cast<uint32_t>(value), 4);
}
void TStream::WriteLong(int64_t value) {
  WriteLittleEndian(*this, static_cast<uint64_t>(value), 8);
}

void TStream::WriteFloat(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteLittleEndian(*this, bits, 4);
}

void TStream::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteLittleEndian(*this, bits, 8);
}

String TStream::ReadLine() {
  String line;
  uint8_t byte = 0;
  while (Read(&byte, 1) == 1 && byte != 0 && byte != 10) {
    if (byte != 13) line.push_back(byte);
  }
  return line;
}

void TStream::WriteLine(const String& text) {
  WriteString(text);
  WriteString(u"\r\n");
}

String TStream::ReadString(int32_t length) {
  if (length <= 0) return String();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  ReadBytes(bytes.data(), length);
  String text;
  text.reserve(bytes.size());
  for (unsigned char byte : bytes) text.push_back(byte);
  return text;
}

void TStream::WriteString(const String& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t unit : text) bytes.push_back(static_cast<char>(unit & 0xFF));
  WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// File streams

Ref<TCFileStream> TCFileStream::Open(const String& path, bool readable, bool writeable) {
  std::string name = ToUtf8(path);
  std::replace(name.begin(), name.end(), '\\', '/');
  const char* cMode = "rb";
  int32_t mode = 1;
  if (readable && writeable) {
    cMode = "r+b";
    mode = 3;
  } else if (writeable) {
    cMode = "wb";
    mode = 2;
  }
  std::FILE* file = std::fopen(name.c_str(), cMode);
  if (!file) return nullptr;
  Ref<TCFileStream> stream = New<TCFileStream>();
  stream->file = file;
  stream->mode = mode;
  stream->pos = static_cast<int32_t>(std::ftell(file));
  std::fseek(file, 0, SEEK_END);
  stream->size = static_cast<int32_t>(std::ftell(file));
  std::fseek(file, stream->pos, SEEK_SET);
  return stream;
}

int32_t TCFileStream::Seek(int32_t newPos) {
  if (!file) return pos;
  std::fseek(file, newPos, SEEK_SET);
  pos = static_cast<int32_t>(std::ftell(file));
  return pos;
}

int32_t TCFileStream::Flush() {
  if (file) std::fflush(file);
  return 0;
}

int32_t TCFileStream::Close() {
  if (file) {
    std::fflush(file);
    std::fclose(file);
    file = nullptr;
    pos = 0;
    size = 0;
  }
  return 0;
}

int32_t TCFileStream::Read(void* buffer, int32_t count) {
  if (!file || count <= 0) return 0;
  auto n = static_cast<int32_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), file));
  pos += n;
  return n;
}

int32_t TCFileStream::Write(const void* buffer, int32_t count) {
  if (!file || count <= 0) return 0;
  auto n = static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), file));
  pos += n;
  if (pos > size) size = pos;
  return n;
}

// Memory streams

int32_t TMemoryStream::Seek(int32_t newPos) {
  pos = std::clamp(newPos, 0, size);
  return pos;
}

int32_t TMemoryStream::Read(void* out, int32_t count) {
  if (count < 1 || !readable) return 0;
  int32_t n = std::min(count, size - pos);
  if (n <= 0) return 0;
  std::memcpy(out, buffer + pos, static_cast<std::size_t>(n));
  pos += n;
  return n;
}

int32_t TMemoryStream::Write(const void* in, int32_t count) {
  if (count < 1 || !writeable) return 0;
  int32_t n = std::min(count, size - pos);
  if (n <= 0) return 0;
  std::memcpy(buffer + pos, in, static_cast<std::size_t>(n));
  pos += n;
  return n;
}

StreamCloser::~StreamCloser() {
  if (!stream_) return;
  try {
    stream_->Close();
  } catch (...) {
    // Best effort: see the class comment.
  }
}

}  // namespace salvo
