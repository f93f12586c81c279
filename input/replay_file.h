// The file of a recorded game: what the game read from outside on every pass
// of its loop, written as it is played and read back for a replay.
//
// Layout (integers little-endian):
//   header   "SALVOREC", u16 format version, u16 game version,
//            u32 CRC-32 of those 12 bytes
//   records  format 2: u8 kind, varint payload length, u16 low half of the
//              CRC-32 of kind and length, payload, u32 CRC-32 of all before
//            format 1: u8 kind, varint payload length, payload, u32 CRC-32 of
//              kind, length and payload
// Kinds:
//   'P' one pass: zigzag varint clock change since the previous pass (the
//       first from 0), varint count of keys, then per key u8 code, u8 presses
//       added, u8 held afterwards (0 or 1)
//   'H' state check: varint pass number n, u64 hash of the game state after
//       n passes (before pass n runs)
//   'E' the end: varint number of passes the game ran; in format 2 also the
//       u64 hash of the state after them and u8 how the game ended (0 by its
//       own Escape, 1 stopped from outside: a signal or a lost display)
// Varints are unsigned LEB128 of at most 32 bits.
//
// The check of kind and length in format 2 tells damage from a cut: a length
// that runs past the end of the file is either right (the file was cut) or
// fails its check (the file is damaged).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace salvo {

// A recording that cannot be written or replayed: the message is one line.
class ReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The format written; the oldest one still read is 1.
inline constexpr uint16_t kReplayFormatVersion = 2;

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

// Writes a recording into a file beside `path` ("path.part"), flushing every
// record so that a crash keeps all passes played up to it. Commit puts it in
// place of `path`; until then an older file there is left as it is, and a
// writer destroyed uncommitted removes its file.
class ReplayWriter {
 public:
  // Creates the file and writes the header; throws ReplayError when it cannot.
  ReplayWriter(const std::string& path, uint16_t gameVersion);
  ~ReplayWriter();
  ReplayWriter(const ReplayWriter&) = delete;
  ReplayWriter& operator=(const ReplayWriter&) = delete;

  // Renames the file to `path` (a failure is kept in Failure()).
  void Commit();
  void WritePass(const PassInput& pass);
  void WriteHash(uint32_t pass, uint64_t hash);
  void WriteEnd(uint32_t passes, uint64_t hash, bool stopped);
  // Why a write failed ("" while all went well); writing stops at the first.
  const std::string& Failure() const { return failure_; }

 private:
  void WriteRecord(char kind, const std::vector<uint8_t>& payload);
  void Fail(const char* what);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string partPath_;  // empty once committed, or when writing to path_ itself
  std::string failure_;
  int32_t lastClock_ = 0;
};

// How a recording ends.
struct ReplayEnd {
  uint32_t passes = 0;           // passes the game ran
  std::optional<uint64_t> hash;  // the state after them (none in format 1)
  bool stopped = false;          // stopped from outside, not by the game's Escape
};

// A recording held in memory as its bytes, checked from end to end when it
// is made; its passes are then decoded one by one as the replay asks for
// them, so memory stays at about the file's size.
class ReplayContents {
 public:
  // Throws ReplayError when the bytes are not a recording, come from another
  // format or game version, or hold a damaged record anywhere. A file that
  // breaks off (a crash while recording, or a cut) has no End().
  ReplayContents(std::vector<uint8_t> bytes, uint16_t gameVersion);

  uint16_t Format() const { return format_; }
  uint32_t Passes() const { return passes_; }
  const std::optional<ReplayEnd>& End() const { return end_; }
  // The next pass, in order; false after the last. `check` gets the hash the
  // recording holds of the state before that pass, if any.
  bool NextPass(PassInput& pass, std::optional<uint64_t>& check);

 private:
  std::vector<uint8_t> bytes_;
  uint16_t format_ = 0;
  uint32_t passes_ = 0;
  std::optional<ReplayEnd> end_;
  size_t next_ = 0;  // where NextPass reads
  int32_t clock_ = 0;
};

// Checks the 16-byte header as soon as it is read, then reads the rest in
// bounded chunks. Throws ReplayError as ReplayContents does, and when the
// file cannot be opened or read (with the system's reason).
ReplayContents ReadReplayFile(const std::string& path, uint16_t gameVersion);

}  // namespace salvo
