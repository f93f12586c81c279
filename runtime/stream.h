// Byte streams, URL opening through stream factories, and the stream errors.
//
// Multi-byte values are little-endian. Counts and positions are signed 32-bit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "runtime/object.h"

namespace salvo {

// Raised inside ReadBytes / WriteBytes / SkipBytes when the stream makes no
// progress. Loaders that try several decoders catch TStreamException.
class TStreamException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class TStreamReadException : public TStreamException {
 public:
  TStreamReadException() : TStreamException("Error reading from stream") {}
};
class TStreamWriteException : public TStreamException {
 public:
  TStreamWriteException() : TStreamException("Error writing to stream") {}
};

// The eight raw operations every stream provides, with their defaults.
class TByteIO : public Object {
 public:
  virtual bool Eof() { return Pos() == Size(); }
  virtual int32_t Pos() { return -1; }
  virtual int32_t Size() { return 0; }
  virtual int32_t Seek(int32_t) { return -1; }
  virtual int32_t Flush() { return 0; }
  virtual int32_t Close() { return 0; }
  // Raises "Stream is not readable" unless overridden.
  virtual int32_t Read(void* buffer, int32_t count);
  // Raises "Stream is not writeable" unless overridden.
  virtual int32_t Write(const void* buffer, int32_t count);
};

class TStream : public TByteIO {
 public:
  // Reads count bytes or up to the end of the stream; raises
  // TStreamReadException when Read returns 0 before the end. Returns count.
  int32_t ReadBytes(void* buffer, int32_t count);
  int32_t WriteBytes(const void* buffer, int32_t count);
  int32_t SkipBytes(int32_t count);

  // Typed reads start from zero: at the end of the stream they return the
  // bytes read so far over zeros.
  int32_t ReadByte();   // 0..255
  int32_t ReadShort();  // 0..65535
  int32_t ReadInt();
  int64_t ReadLong();
  float ReadFloat();
  double ReadDouble();
  void WriteByte(int32_t value);
  void WriteShort(int32_t value);
  void WriteInt(int32_t value);
  void WriteLong(int64_t value);
  void WriteFloat(float value);
  void WriteDouble(double value);

  // Bytes up to a 0 or line feed (consumed, not returned); carriage returns
  // are dropped.
  String ReadLine();
  void WriteLine(const String& text);
  // One character per byte (0..255).
  String ReadString(int32_t length);
  // The low 8 bits of each character.
  void WriteString(const String& text);
};

// Forwards the raw operations to an inner stream.
class TStreamWrapper : public TStream {
 public:
  explicit TStreamWrapper(Ref<TStream> inner = nullptr) : stream(std::move(inner)) {}
  void SetStream(Ref<TStream> inner) { stream = std::move(inner); }

  bool Eof() override { return stream->Eof(); }
  int32_t Pos() override { return stream->Pos(); }
  int32_t Size() override { return stream->Size(); }
  int32_t Seek(int32_t pos) override { return stream->Seek(pos); }
  int32_t Flush() override { return stream->Flush(); }
  int32_t Close() override { return stream->Close(); }
  int32_t Read(void* buffer, int32_t count) override { return stream->Read(buffer, count); }
  int32_t Write(const void* buffer, int32_t count) override { return stream->Write(buffer, count); }

  Ref<TStream> stream;
};

// What OpenStream gives back for a stream argument: closing it only lets go
// of the inner stream, which stays open for its owner.
class TBorrowedStream : public TStreamWrapper {
 public:
  using TStreamWrapper::TStreamWrapper;
  int32_t Close() override {
    SetStream(nullptr);
    return 0;
  }
};

// A stream over a C stdio file. Destroying it does not close the file.
class TCFileStream : public TStream {
 public:
  // Null when the file cannot be opened. Backslashes become slashes.
  static Ref<TCFileStream> Open(const String& path, bool readable, bool writeable);

  int32_t Pos() override { return pos; }
  int32_t Size() override { return size; }
  int32_t Seek(int32_t newPos) override;
  int32_t Flush() override;
  int32_t Close() override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;

  int32_t pos = 0;
  int32_t size = 0;
  std::FILE* file = nullptr;
  int32_t mode = 0;  // 1 read, 2 write, 3 both
};

// A stream over bytes it does not own.
class TMemoryStream : public TStream {
 public:
  TMemoryStream(void* buffer, int32_t size, bool readable, bool writeable)
      : size(size < 0 ? 0 : size),
        buffer(static_cast<uint8_t*>(buffer)),
        readable(readable),
        writeable(writeable) {}

  int32_t Pos() override { return pos; }
  int32_t Size() override { return size; }
  int32_t Seek(int32_t newPos) override;
  int32_t Read(void* out, int32_t count) override;
  int32_t Write(const void* in, int32_t count) override;

  int32_t pos = 0;
  int32_t size = 0;
  uint8_t* buffer = nullptr;
  bool readable = false;
  bool writeable = false;
};

// Makes streams for one protocol. Constructing a factory links it at the head
// of the process-wide factory list, so the newest factory is asked first.
class TStreamFactory : public Object {
 public:
  TStreamFactory();
  virtual Ref<TStream> CreateStream(const String& url, const String& protocol, const String& path,
                                    bool readable, bool writeable) = 0;
  Ref<TStreamFactory> next;
};

// A URL ("incbin::name", a plain path) or an already open stream.
class StreamSource {
 public:
  StreamSource(const String& url) : url_(url) {}
  StreamSource(const char16_t* url) : url_(url) {}
  template <class T, class = std::enable_if_t<std::is_convertible_v<T*, TStream*>>>
  StreamSource(const Ref<T>& stream) : stream_(stream) {}
  // Any object that is not a stream counts as the empty URL.
  StreamSource(const Ref<Object>& object);

  const String& Url() const { return url_; }
  const Ref<TStream>& Stream() const { return stream_; }

 private:
  String url_;
  Ref<TStream> stream_;
};

// A stream argument comes back wrapped (closing the wrapper leaves it open);
// a URL is split at its first "::" and offered to every factory in turn; a URL
// without "::" opens a file. Null when nobody can open it.
Ref<TStream> OpenStream(const StreamSource& url, bool readable, bool writeable);
Ref<TStream> ReadStream(const StreamSource& url);
Ref<TStream> WriteStream(const StreamSource& url);

// Closes a stream when the scope ends, whichever way it ends (a return or an
// error passing through), so that a loader never leaves a file open. A Null
// stream is allowed; an error from Close itself is dropped, because the
// load's own result or error is the one to report.
class StreamCloser {
 public:
  explicit StreamCloser(Ref<TStream> stream) : stream_(std::move(stream)) {}
  ~StreamCloser();
  StreamCloser(const StreamCloser&) = delete;
  StreamCloser& operator=(const StreamCloser&) = delete;

  const Ref<TStream>& Stream() const { return stream_; }

 private:
  Ref<TStream> stream_;
};

// Registers the built-in stream factories (the "incbin" protocol). Runs once.
void InitStreamModule();

}  // namespace salvo
