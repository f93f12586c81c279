#include "input/replay_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace salvo {

namespace {

constexpr char kMagic[8] = {'S', 'A', 'L', 'V', 'O', 'R', 'E', 'C'};
constexpr size_t kHeaderSize = 16;
// No record of ours comes near this; a larger length is damage.
constexpr uint32_t kMaxPayload = 4096;

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
  bool Varint(uint32_t& value) {
    value = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      uint8_t byte = 0;
      if (!Byte(byte)) return false;
      value |= static_cast<uint32_t>(byte & 0x7F) << shift;
      if (!(byte & 0x80)) return true;
    }
    return false;  // longer than 5 bytes: not one of ours
  }
  size_t Pos() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos < size_ ? pos : size_; }
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
  if (!in.Varint(change) || !in.Varint(count) || count > 255) return false;
  clock =
      static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(Unzigzag(change)));
  pass.clock = clock;
  for (uint32_t i = 0; i < count; ++i) {
    KeyChange key;
    if (!in.Byte(key.key) || !in.Byte(key.presses) || !in.Byte(key.down)) return false;
    if (key.key == 0 || key.down > 1) return false;
    pass.keys.push_back(key);
  }
  return true;
}

// Applies one record to `out`; false when its contents make no sense.
bool ParseRecord(uint8_t kind, Cursor in, int32_t& clock, ReplayContents& out) {
  const uint32_t passes = static_cast<uint32_t>(out.passes.size());
  bool ok = false;
  if (kind == 'P') {
    PassInput pass;
    ok = ParsePass(in, clock, pass);
    out.passes.push_back(std::move(pass));
  } else if (kind == 'H') {
    uint32_t pass = 0;
    uint64_t hash = 0;
    ok = in.Varint(pass) && in.Little(hash, 8) && pass == passes && !out.hashes.count(pass);
    out.hashes[pass] = hash;
  } else if (kind == 'E') {
    ok = in.Varint(out.endPasses) && out.endPasses == passes;
    out.ended = true;
  }
  return ok && in.AtEnd();
}

void CheckHeader(const std::vector<uint8_t>& bytes, uint16_t gameVersion) {
  if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    throw ReplayError("not a Salvo recording");
  }
  Cursor in(bytes.data() + sizeof kMagic, bytes.size() - sizeof kMagic);
  uint64_t format = 0;
  uint64_t game = 0;
  uint64_t crc = 0;
  if (!in.Little(format, 2) || !in.Little(game, 2) || !in.Little(crc, 4)) {
    throw ReplayError("the recording is truncated inside its header");
  }
  if (crc != Crc(bytes.data(), kHeaderSize - 4)) throw ReplayError(At(0, "header checksum"));
  if (format != kReplayFormatVersion || game != gameVersion) {
    throw ReplayError("recorded by another version of Salvo (recording format " +
                      std::to_string(format) + ", game " + std::to_string(game) +
                      "; this build plays format " + std::to_string(kReplayFormatVersion) +
                      ", game " + std::to_string(gameVersion) + ")");
  }
}

}  // namespace

ReplayWriter::ReplayWriter(const std::string& path, uint16_t gameVersion) : path_(path) {
  file_ = std::fopen(path.c_str(), "wb");
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
    throw ReplayError("cannot write the file: " + reason);
  }
}

ReplayWriter::~ReplayWriter() {
  if (file_) std::fclose(file_);
}

void ReplayWriter::WriteRecord(char kind, const std::vector<uint8_t>& payload) {
  if (!failure_.empty()) return;
  std::vector<uint8_t> record{static_cast<uint8_t>(kind)};
  PutVarint(record, static_cast<uint32_t>(payload.size()));
  record.insert(record.end(), payload.begin(), payload.end());
  PutLittle(record, Crc(record.data(), record.size()), 4);
  if (std::fwrite(record.data(), 1, record.size(), file_) != record.size() ||
      std::fflush(file_) != 0) {
    failure_ = std::string("cannot write the file: ") + std::strerror(errno);
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

void ReplayWriter::WriteEnd(uint32_t passes) {
  std::vector<uint8_t> payload;
  PutVarint(payload, passes);
  WriteRecord('E', payload);
}

ReplayContents ParseReplay(const std::vector<uint8_t>& bytes, uint16_t gameVersion) {
  CheckHeader(bytes, gameVersion);
  ReplayContents out;
  int32_t clock = 0;
  Cursor in(bytes.data(), bytes.size());
  in.Seek(kHeaderSize);
  while (!in.AtEnd()) {
    const size_t start = in.Pos();
    if (out.ended) throw ReplayError(At(start, "data after the end"));
    uint8_t kind = 0;
    uint32_t length = 0;
    in.Byte(kind);
    if (!in.Varint(length)) break;  // broken off
    if (length > kMaxPayload) throw ReplayError(At(start, "record length"));
    const size_t payload = in.Pos();
    if (bytes.size() - payload < length + 4u) break;  // broken off
    in.Seek(payload + length);
    uint64_t crc = 0;
    in.Little(crc, 4);
    if (crc != Crc(bytes.data() + start, payload + length - start)) {
      throw ReplayError(At(start, "checksum mismatch"));
    }
    if (!ParseRecord(kind, Cursor(bytes.data() + payload, length), clock, out)) {
      throw ReplayError(At(start, "bad record"));
    }
  }
  return out;
}

ReplayContents ReadReplayFile(const std::string& path, uint16_t gameVersion) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw ReplayError(std::string("cannot open the file: ") + std::strerror(errno));
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ReplayError("cannot read the file");
  return ParseReplay(bytes, gameVersion);
}

}  // namespace salvo
