// The output clock's schedule and its record of late blocks.
#include "platform/bass/block_pacer.h"

namespace bass {

BlockPacer::BlockPacer(Clock::duration period, int maxLagBlocks, Clock::time_point start)
    : period_(period), maxLag_(maxLagBlocks * period), due_(start) {}

BlockPacer::Clock::time_point BlockPacer::BlockMixed(Clock::time_point started,
                                                     Clock::time_point finished) {
  blocks_.fetch_add(1, std::memory_order_relaxed);
  Clock::rep mix = (finished - started).count();
  if (mix > longestMix_.load(std::memory_order_relaxed)) {
    longestMix_.store(mix, std::memory_order_relaxed);
  }
  due_ += period_;
  if (finished > due_) {
    if (due_ > unheardUntil_) underruns_.fetch_add(1, std::memory_order_relaxed);
    if (finished - due_ > maxLag_) due_ = finished;
  }
  return due_;
}

}  // namespace bass
