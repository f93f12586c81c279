// The file of a recorded game: what the game read from outside on every pass
// of its loop, written as it is played and read back for a replay.
//
// Layout (integers little-endian):
//   header   "SALVOREC", u16 format version, u16 game version,
//            u32 CRC-32 of those 12 bytes
//   records  u8 kind, varint payload length, payload,
//            u32 CRC-32 of kind, length and payload
// Kinds:
//   'P' one pass: zigzag varint clock change since the previous pass (the
//       first from 0), varint count of keys, then per key u8 code, u8 presses
//       added, u8 held afterwards (0 or 1)
//   'H' state check: varint pass number n, u64 hash of the game state after
//       n passes (before pass n runs)
//   'E' the end: varint number of passes the game ran
// Varints are unsigned LEB128, at most 5 bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace salvo {

// A recording that cannot be written or replayed: the message is one line.
class ReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint16_t kReplayFormatVersion = 1;

// A key whose state changed during a pass's input pump.
struct KeyChange {
  uint8_t key = 0;
  uint8_t presses = 0;  // presses counted (wrapping like the counter)
  uint8_t down = 0;     // held afterwards
  bool operator==(const KeyChange&) const = default;
};

struct PassInput {
  int32_t clock = 0;  // the clock value the pass reads
  std::vector<KeyChange> keys;
  bool operator==(const PassInput&) const = default;
};

// Writes a recording, flushing every record so that a crash keeps all passes
// played up to it.
class ReplayWriter {
 public:
  // Creates `path` and writes the header; throws ReplayError when it cannot.
  ReplayWriter(const std::string& path, uint16_t gameVersion);
  ~ReplayWriter();
  ReplayWriter(const ReplayWriter&) = delete;
  ReplayWriter& operator=(const ReplayWriter&) = delete;

  void WritePass(const PassInput& pass);
  void WriteHash(uint32_t pass, uint64_t hash);
  void WriteEnd(uint32_t passes);
  // Why a write failed ("" while all went well); writing stops at the first.
  const std::string& Failure() const { return failure_; }

 private:
  void WriteRecord(char kind, const std::vector<uint8_t>& payload);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string failure_;
  int32_t lastClock_ = 0;
};

// A recording read back and checked.
struct ReplayContents {
  std::vector<PassInput> passes;
  std::map<uint32_t, uint64_t> hashes;  // pass number -> state hash
  bool ended = false;                   // the end record was there
  uint32_t endPasses = 0;               // passes the game ran, when ended
};

// Reads a whole recording. Throws ReplayError when the file cannot be read,
// is not a recording, comes from another format or game version, or has a
// record whose checksum or contents are wrong. A file that breaks off (a
// crash while recording, or a cut) is returned with `ended` false.
ReplayContents ReadReplayFile(const std::string& path, uint16_t gameVersion);
// The same over bytes in memory; `name` only names them in messages.
ReplayContents ParseReplay(const std::vector<uint8_t>& bytes, uint16_t gameVersion);

}  // namespace salvo
