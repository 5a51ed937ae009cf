// The clock of an output that mixes one block at a time and hands each over as it is mixed, and
// its record of how it kept time: the blocks mixed, the underruns (blocks mixed too late to be
// heard without a gap) and the longest a block took to mix.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace bass {

// Block n is due to start playing at start + n periods and has until the next block is due to
// be mixed, one period, as a device's callback has while the block before it plays. A block
// mixed after that left a gap in the sound: one underrun, whatever kept the mixing from its time
// (decoding too slow, or the thread not given the processor; the longest mix tells which).
// Behind by more than maxLagBlocks periods, the schedule starts again from the moment the block
// was mixed rather than mixing the missed blocks in a burst.
//
// BlockMixed is called on the output's thread only; the statistics are read from any thread.
class BlockPacer {
 public:
  using Clock = std::chrono::steady_clock;

  BlockPacer(Clock::duration period, int maxLagBlocks, Clock::time_point start);
  BlockPacer(const BlockPacer&) = delete;
  BlockPacer& operator=(const BlockPacer&) = delete;

  // The block now due was mixed from started to finished: counts it, and as an underrun when it
  // was late. Returns when the next block is due, the moment to start mixing it.
  Clock::time_point BlockMixed(Clock::time_point started, Clock::time_point finished);
  // Starts the schedule again with the block due at start, keeping the statistics: for an output
  // that comes back to the clock after a time away from it.
  void Restart(Clock::time_point start) { due_ = start; }
  // Nobody could hear the blocks due up to until (the output was away trying a sound server
  // meanwhile): mixed late to catch up, they are no underrun.
  void Unheard(Clock::time_point until) { unheardUntil_ = until; }

  std::uint64_t Blocks() const { return blocks_.load(std::memory_order_relaxed); }
  std::uint64_t Underruns() const { return underruns_.load(std::memory_order_relaxed); }
  Clock::duration LongestMix() const {
    return Clock::duration(longestMix_.load(std::memory_order_relaxed));
  }

 private:
  const Clock::duration period_;
  const Clock::duration maxLag_;
  Clock::time_point due_;
  Clock::time_point unheardUntil_{};
  std::atomic<std::uint64_t> blocks_{0};
  std::atomic<std::uint64_t> underruns_{0};
  std::atomic<Clock::rep> longestMix_{0};
};

}  // namespace bass
