#include "input/replay_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace salvo {

namespace {

constexpr char kMagic[8] = {'S', 'A', 'L', 'V', 'O', 'R', 'E', 'C'};
constexpr size_t kHeaderSize = 16;
constexpr uint16_t kOldestFormat = 1;
// No record of ours comes near this; a larger length is damage.
constexpr uint32_t kMaxPayload = 4096;
// Files are read this much at a time.
constexpr size_t kChunk = 65536;

uint32_t Crc(const uint8_t* data, size_t size) {
  return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data, static_cast<uInt>(size)));
}

void PutLittle(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutVarint(std::vector<uint8_t>& out, uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<uint8_t>(value));
}

uint32_t Zigzag(int32_t value) {
  return (static_cast<uint32_t>(value) << 1) ^ static_cast<uint32_t>(value >> 31);
}

int32_t Unzigzag(uint32_t value) {
  return static_cast<int32_t>((value >> 1) ^ (0u - (value & 1)));
}

enum class Read { kOk, kShort, kBad };

// Reads bytes in order; every read reports whether the bytes were there.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Little(uint64_t& value, int bytes) {
    if (size_ - pos_ < static_cast<size_t>(bytes)) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(data_[pos_++]) << (8 * i);
    return true;
  }
  bool Byte(uint8_t& value) {
    if (pos_ >= size_) return false;
    value = data_[pos_++];
    return true;
  }
  // kShort when the bytes end inside it, kBad when it does not fit 32 bits.
  Read Varint(uint32_t& value) {
    value = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      uint8_t byte = 0;
      if (!Byte(byte)) return Read::kShort;
      if (shift == 28 && (byte & 0xF0) != 0) return Read::kBad;
      value |= static_cast<uint32_t>(byte & 0x7F) << shift;
      if (!(byte & 0x80)) return Read::kOk;
    }
    return Read::kBad;
  }
  bool Varint32(uint32_t& value) { return Varint(value) == Read::kOk; }
  size_t Pos() const { return pos_; }
  size_t Left() const { return size_ - pos_; }
  void Skip(size_t bytes) { pos_ += bytes < Left() ? bytes : Left(); }
  bool AtEnd() const { return pos_ == size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

std::string At(size_t offset, const char* what) {
  return "damaged at byte " + std::to_string(offset) + " (" + what + ")";
}

bool ParsePass(Cursor& in, int32_t& clock, PassInput& pass) {
  uint32_t change = 0;
  uint32_t count = 0;
  if (!in.Varint32(change) || !in.Varint32(count) || count > 255) return false;
  clock =
      static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(Unzigzag(change)));
  pass.clock = clock;
  pass.keys.clear();
  for (uint32_t i = 0; i < count; ++i) {
    KeyChange key;
    if (!in.Byte(key.key) || !in.Byte(key.presses) || !in.Byte(key.down)) return false;
    if (key.key == 0 || key.down > 1) return false;
    pass.keys.push_back(key);
  }
  return in.AtEnd();
}

bool ParseEnd(Cursor& in, uint16_t format, ReplayEnd& end) {
  if (!in.Varint32(end.passes)) return false;
  if (format >= 2) {
    uint64_t hash = 0;
    uint8_t how = 0;
    if (!in.Little(hash, 8) || !in.Byte(how) || how > 1) return false;
    end.hash = hash;
    end.stopped = how == 1;
  }
  return in.AtEnd();
}

// One record as it lies in the bytes.
struct Record {
  size_t start = 0;  // its first byte
  uint8_t kind = 0;
  Cursor payload{nullptr, 0};
};

// Walks the records after the header, checking each one's frame: its
// checksums and, in format 2, its declared length.
class RecordWalker {
 public:
  RecordWalker(const std::vector<uint8_t>& bytes, uint16_t format, size_t from)
      : bytes_(bytes), format_(format), in_(bytes.data(), bytes.size()) {
    in_.Skip(from);
  }

  // False at the end of the bytes, and where they break off inside a record;
  // throws ReplayError for a damaged record.
  bool Next(Record& record) {
    if (in_.AtEnd()) return false;
    record.start = in_.Pos();
    uint32_t length = 0;
    in_.Byte(record.kind);
    const Read read = in_.Varint(length);
    if (read == Read::kBad) throw ReplayError(At(record.start, "record length"));
    if (read == Read::kShort) return false;
    if (format_ >= 2 && !HeaderCheckHolds(record.start)) return false;
    if (length > kMaxPayload) throw ReplayError(At(record.start, "record length"));
    const size_t payload = in_.Pos();
    if (in_.Left() < length + 4u) return false;
    in_.Skip(length);
    uint64_t crc = 0;
    in_.Little(crc, 4);
    if (crc != Crc(bytes_.data() + record.start, payload + length - record.start)) {
      throw ReplayError(At(record.start, "checksum mismatch"));
    }
    record.payload = Cursor(bytes_.data() + payload, length);
    return true;
  }
  size_t Pos() const { return in_.Pos(); }

 private:
  // False when the bytes end inside the check; throws when it is wrong.
  bool HeaderCheckHolds(size_t start) {
    const uint32_t expected = Crc(bytes_.data() + start, in_.Pos() - start) & 0xFFFF;
    uint64_t check = 0;
    if (!in_.Little(check, 2)) return false;
    if (check != expected) throw ReplayError(At(start, "record header checksum"));
    return true;
  }

  const std::vector<uint8_t>& bytes_;
  uint16_t format_;
  Cursor in_;
};

// The format of the header's bytes (at least the first 8 of them).
uint16_t CheckHeader(const uint8_t* bytes, size_t size, uint16_t gameVersion) {
  if (size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
    throw ReplayError("not a Salvo recording");
  }
  if (size < kHeaderSize) throw ReplayError("the recording is truncated inside its header");
  Cursor in(bytes + sizeof kMagic, kHeaderSize - sizeof kMagic);
  uint64_t format = 0;
  uint64_t game = 0;
  uint64_t crc = 0;
  in.Little(format, 2);
  in.Little(game, 2);
  in.Little(crc, 4);
  if (crc != Crc(bytes, kHeaderSize - 4)) throw ReplayError(At(0, "header checksum"));
  if (format < kOldestFormat || format > kReplayFormatVersion || game != gameVersion) {
    throw ReplayError("recorded by another version of Salvo (recording format " +
                      std::to_string(format) + ", game " + std::to_string(game) +
                      "; this build plays formats " + std::to_string(kOldestFormat) + " to " +
                      std::to_string(kReplayFormatVersion) + ", game " +
                      std::to_string(gameVersion) + ")");
  }
  return static_cast<uint16_t>(format);
}

}  // namespace

ReplayWriter::ReplayWriter(const std::string& path, uint16_t gameVersion) : path_(path) {
  // Another kind of file (a device, a pipe) is written as it is; a regular
  // file, or a new one, only replaced once the game is under way.
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) {
    // Through a symbolic link the file it names is replaced, not the link.
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    path_ = error ? path : target.string();
    partPath_ = path_ + ".part";
  }
  file_ = std::fopen((partPath_.empty() ? path_ : partPath_).c_str(), "wb");
  if (!file_) throw ReplayError(std::string("cannot create the file: ") + std::strerror(errno));
  std::vector<uint8_t> header(kMagic, kMagic + sizeof kMagic);
  PutLittle(header, kReplayFormatVersion, 2);
  PutLittle(header, gameVersion, 2);
  PutLittle(header, Crc(header.data(), header.size()), 4);
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size() ||
      std::fflush(file_) != 0) {
    std::string reason = std::strerror(errno);
    std::fclose(file_);
    file_ = nullptr;
    if (!partPath_.empty()) std::remove(partPath_.c_str());
    throw ReplayError("cannot write the file: " + reason);
  }
}

ReplayWriter::~ReplayWriter() {
  if (file_) std::fclose(file_);
  if (!partPath_.empty()) std::remove(partPath_.c_str());
}

// Windows renames no file that is open: the file is closed, renamed, and
// opened again at its end for the records still to come.
void ReplayWriter::Commit() {
  if (partPath_.empty() || !file_) return;
  std::fclose(file_);
  file_ = nullptr;
  std::error_code error;
  std::filesystem::rename(partPath_, path_, error);
  if (error) {
    if (failure_.empty()) failure_ = "cannot replace the file: " + error.message();
    return;
  }
  partPath_.clear();
  file_ = std::fopen(path_.c_str(), "ab");
  if (!file_) Fail("cannot write the file");
}

void ReplayWriter::Fail(const char* what) {
  if (failure_.empty()) failure_ = std::string(what) + ": " + std::strerror(errno);
}

void ReplayWriter::WriteRecord(char kind, const std::vector<uint8_t>& payload) {
  if (!failure_.empty() || !file_) return;
  std::vector<uint8_t> record{static_cast<uint8_t>(kind)};
  PutVarint(record, static_cast<uint32_t>(payload.size()));
  PutLittle(record, Crc(record.data(), record.size()) & 0xFFFF, 2);
  record.insert(record.end(), payload.begin(), payload.end());
  PutLittle(record, Crc(record.data(), record.size()), 4);
  if (std::fwrite(record.data(), 1, record.size(), file_) != record.size() ||
      std::fflush(file_) != 0) {
    Fail("cannot write the file");
  }
}

void ReplayWriter::WritePass(const PassInput& pass) {
  std::vector<uint8_t> payload;
  PutVarint(payload, Zigzag(static_cast<int32_t>(static_cast<uint32_t>(pass.clock) -
                                                 static_cast<uint32_t>(lastClock_))));
  lastClock_ = pass.clock;
  PutVarint(payload, static_cast<uint32_t>(pass.keys.size()));
  for (const KeyChange& key : pass.keys) {
    payload.push_back(key.key);
    payload.push_back(key.presses);
    payload.push_back(key.down);
  }
  WriteRecord('P', payload);
}

void ReplayWriter::WriteHash(uint32_t pass, uint64_t hash) {
  std::vector<uint8_t> payload;
  PutVarint(payload, pass);
  PutLittle(payload, hash, 8);
  WriteRecord('H', payload);
}

void ReplayWriter::WriteEnd(uint32_t passes, uint64_t hash, bool stopped) {
  std::vector<uint8_t> payload;
  PutVarint(payload, passes);
  PutLittle(payload, hash, 8);
  payload.push_back(stopped ? 1 : 0);
  WriteRecord('E', payload);
}

ReplayContents::ReplayContents(std::vector<uint8_t> bytes, uint16_t gameVersion)
    : bytes_(std::move(bytes)) {
  format_ = CheckHeader(bytes_.data(), bytes_.size(), gameVersion);
  next_ = kHeaderSize;
  // Every record is checked now, so that damage anywhere is found before
  // the replay starts.
  RecordWalker walker(bytes_, format_, kHeaderSize);
  Record record;
  PassInput pass;
  int32_t clock = 0;
  std::optional<uint32_t> lastCheck;
  size_t checked = kHeaderSize;  // where the records checked so far end
  while (walker.Next(record)) {
    bool ok = false;
    if (end_) throw ReplayError(At(record.start, "data after the end"));
    if (record.kind == 'P') {
      ok = ParsePass(record.payload, clock, pass);
      passes_ += 1;
    } else if (record.kind == 'H') {
      uint32_t at = 0;
      uint64_t hash = 0;
      ok = record.payload.Varint32(at) && record.payload.Little(hash, 8) &&
           record.payload.AtEnd() && at == passes_ && lastCheck != at;
      lastCheck = at;
    } else if (record.kind == 'E') {
      ReplayEnd end;
      ok = ParseEnd(record.payload, format_, end) && end.passes == passes_;
      end_ = end;
    }
    if (!ok) throw ReplayError(At(record.start, "bad record"));
    checked = walker.Pos();
  }
  // Even a piece too short to be a record is damage after the end.
  if (end_ && checked != bytes_.size()) throw ReplayError(At(checked, "data after the end"));
}

bool ReplayContents::NextPass(PassInput& pass, std::optional<uint64_t>& check) {
  check.reset();
  RecordWalker walker(bytes_, format_, next_);
  Record record;
  while (walker.Next(record)) {
    next_ = walker.Pos();
    if (record.kind == 'H') {
      uint32_t at = 0;
      uint64_t hash = 0;
      if (record.payload.Varint32(at) && record.payload.Little(hash, 8)) check = hash;
    } else if (record.kind == 'P') {
      if (!ParsePass(record.payload, clock_, pass)) break;
      return true;
    } else {
      break;
    }
  }
  return false;
}

ReplayContents ReadReplayFile(const std::string& path, uint16_t gameVersion) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw ReplayError(std::string("cannot open the file: ") + std::strerror(errno));
  std::vector<uint8_t> bytes(kHeaderSize);
  size_t got = std::fread(bytes.data(), 1, kHeaderSize, file);
  const int headerErrno = errno;
  try {
    if (std::ferror(file)) {
      throw ReplayError(std::string("cannot read the file: ") + std::strerror(headerErrno));
    }
    CheckHeader(bytes.data(), got, gameVersion);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  // The file's own size, where it has one, is all the room the bytes need.
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (!error) bytes.reserve(static_cast<size_t>(size) + kChunk);
  do {
    const size_t used = bytes.size();
    bytes.resize(used + kChunk);
    got = std::fread(bytes.data() + used, 1, kChunk, file);
    bytes.resize(used + got);
  } while (got == kChunk);
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  std::fclose(file);
  if (failed) throw ReplayError(std::string("cannot read the file: ") + std::strerror(readErrno));
  return ReplayContents(std::move(bytes), gameVersion);
}

}  // namespace salvo
