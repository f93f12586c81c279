// A lock-free ring with one writer thread and one reader thread.
//
// The writer stores the entry, then publishes it by advancing the write index
// with release order; the reader sees it by loading that index with acquire
// order (and the same the other way round for the read index). One slot stays
// empty to tell a full ring from an empty one, so a ring of N holds N - 1.
#pragma once

#include <atomic>
#include <cstdint>

namespace salvo {

template <class T, uint32_t N>
class SpscRing {
 public:
  // Writer side. False when the ring is full.
  bool Push(const T& value) {
    uint32_t write = write_.load(std::memory_order_relaxed);
    uint32_t next = (write + 1) % N;
    if (next == read_.load(std::memory_order_acquire)) return false;
    entries_[write] = value;
    write_.store(next, std::memory_order_release);
    return true;
  }

  // Writer side: whether one more Push would succeed.
  bool CanPush() const {
    uint32_t write = write_.load(std::memory_order_relaxed);
    return (write + 1) % N != read_.load(std::memory_order_acquire);
  }

  // Reader side. False when the ring is empty.
  bool Pop(T& value) {
    uint32_t read = read_.load(std::memory_order_relaxed);
    if (read == write_.load(std::memory_order_acquire)) return false;
    value = entries_[read];
    read_.store((read + 1) % N, std::memory_order_release);
    return true;
  }

  static constexpr uint32_t Capacity() { return N - 1; }

 private:
  alignas(64) std::atomic<uint32_t> read_{0};
  alignas(64) std::atomic<uint32_t> write_{0};
  alignas(64) T entries_[N] = {};
};

}  // namespace salvo
