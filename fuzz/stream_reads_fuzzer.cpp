// The stream layer's typed reads over a memory stream, driven by commands
// taken from the input, each checked against a plain model of the bytes: a
// value is the little-endian bytes from the position on, with zeros past the
// end, and the position never leaves 0..size.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"

namespace {

using salvo::TMemoryStream;

struct Model {
  std::vector<uint8_t> bytes;
  int32_t pos = 0;

  int32_t Size() const { return static_cast<int32_t>(bytes.size()); }
  // The next count bytes, zeros past the end; moves up to the end.
  uint64_t Take(int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
      uint64_t byte = pos + i < Size() ? bytes[size_t(pos + i)] : 0;
      value |= byte << (8 * i);
    }
    pos = std::min(pos + count, Size());
    return value;
  }
};

void Expect(bool ok) {
  if (!ok) std::abort();
}

void RunCommand(int command, FuzzedDataProvider& input, TMemoryStream& stream, Model& model) {
  switch (command) {
    case 0:
      Expect(uint64_t(stream.ReadByte()) == model.Take(1));
      break;
    case 1:
      Expect(uint64_t(stream.ReadShort()) == model.Take(2));
      break;
    case 2:
      Expect(uint32_t(stream.ReadInt()) == model.Take(4));
      break;
    case 3:
      Expect(uint64_t(stream.ReadLong()) == model.Take(8));
      break;
    case 4: {
      float value = stream.ReadFloat();
      uint32_t bits;
      std::memcpy(&bits, &value, 4);
      Expect(bits == model.Take(4));
      break;
    }
    case 5: {
      double value = stream.ReadDouble();
      uint64_t bits;
      std::memcpy(&bits, &value, 8);
      Expect(bits == model.Take(8));
      break;
    }
    case 6: {
      salvo::String line = stream.ReadLine();
      salvo::String expected;
      while (model.pos < model.Size()) {
        uint8_t byte = model.bytes[size_t(model.pos++)];
        if (byte == 0 || byte == 10) break;
        if (byte != 13) expected.push_back(byte);
      }
      Expect(line == expected);
      break;
    }
    case 7: {
      // Lengths up to a little past the end; a string is as long as asked.
      int32_t length = input.ConsumeIntegralInRange<int32_t>(-2, model.Size() + 16);
      salvo::String text = stream.ReadString(length);
      Expect(int32_t(text.size()) == std::max(length, 0));
      for (int32_t i = 0; i < length; ++i) Expect(text[size_t(i)] == model.Take(1));
      break;
    }
    case 8: {
      int32_t count = input.ConsumeIntegralInRange<int32_t>(-2, model.Size() + 16);
      Expect(stream.SkipBytes(count) == count);
      if (count > 0) model.pos = std::min(model.pos + count, model.Size());
      break;
    }
    case 9: {
      int32_t target = input.ConsumeIntegral<int32_t>();
      model.pos = std::clamp(target, 0, model.Size());
      Expect(stream.Seek(target) == model.pos);
      break;
    }
    default: {
      int32_t count = input.ConsumeIntegralInRange<int32_t>(0, model.Size() + 16);
      std::vector<uint8_t> out(size_t(count), 0xEE);
      Expect(stream.ReadBytes(out.data(), count) == count);
      for (int32_t i = 0; i < count && model.pos < model.Size(); ++i) {
        Expect(out[size_t(i)] == model.bytes[size_t(model.pos++)]);
      }
      break;
    }
  }
  Expect(stream.Pos() == model.pos);
  Expect(stream.Eof() == (model.pos == model.Size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  salvo::fuzz::EndOfRun end;
  FuzzedDataProvider input(data, size);
  Model model;
  model.bytes = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 256));
  auto stream = salvo::New<TMemoryStream>(model.bytes.data(), model.Size(), true, false);
  while (input.remaining_bytes() > 0) {
    RunCommand(input.ConsumeIntegralInRange(0, 10), input, *stream, model);
  }
  return 0;
}
