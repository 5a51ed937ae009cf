// A small record that one thread writes and others read without either side taking a lock: the
// writer never waits, and a reader that catches a write half done reads again.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <type_traits>

namespace bass {

template <typename T>
class SeqLock {
  static_assert(std::is_trivially_copyable_v<T>, "copied word by word");

 public:
  SeqLock() { Store(T{}); }
  SeqLock(const SeqLock&) = delete;
  SeqLock& operator=(const SeqLock&) = delete;

  // One writer at a time.
  void Store(const T& value) {
    std::uint64_t words[kWords] = {};
    std::memcpy(words, &value, sizeof(T));
    // No fences: a reader that reads any word of this write is ordered after the odd version
    // through that word, and so sees the version move.
    version_.fetch_add(1, std::memory_order_acq_rel);
    for (size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_release);
    version_.fetch_add(1, std::memory_order_release);
  }

  // Any thread; waits only while a write is under way, which takes nanoseconds.
  T Load() const {
    for (;;) {
      std::uint64_t version = version_.load(std::memory_order_acquire);
      if (version & 1) {
        std::this_thread::yield();
        continue;
      }
      std::uint64_t words[kWords];
      for (size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_acquire);
      if (version_.load(std::memory_order_relaxed) != version) continue;
      T value;
      std::memcpy(&value, words, sizeof(T));
      return value;
    }
  }

 private:
  static constexpr size_t kWords = (sizeof(T) + 7) / 8;
  std::atomic<std::uint64_t> version_{0};  // odd while a write is under way
  std::atomic<std::uint64_t> words_[kWords] = {};
};

}  // namespace bass
