// The null output's schedule and its record of how it kept time, on made-up times: which blocks
// are late, how the schedule catches up after a short delay and starts again after a stall, and
// the longest mix.
#include "platform/bass/block_pacer.h"

#include <gtest/gtest.h>

namespace bass {
namespace {

using Clock = BlockPacer::Clock;
using std::chrono::milliseconds;

constexpr milliseconds kPeriod{10};
constexpr int kMaxLagBlocks = 4;
const Clock::time_point kStart{milliseconds(1000)};

// A block mixed in mix time that ends at finished.
Clock::time_point Mixed(BlockPacer& pacer, Clock::time_point finished,
                        milliseconds mix = milliseconds(1)) {
  return pacer.BlockMixed(finished - mix, finished);
}

TEST(BlockPacer, BlocksMixedWithinTheirPeriodKeepTheScheduleAndAreNotLate) {
  BlockPacer pacer(kPeriod, kMaxLagBlocks, kStart);
  // Mixed quickly, slowly, and exactly as the next block falls due: all in time.
  EXPECT_EQ(Mixed(pacer, kStart + milliseconds(1)), kStart + kPeriod);
  EXPECT_EQ(Mixed(pacer, kStart + kPeriod + milliseconds(9), milliseconds(9)),
            kStart + 2 * kPeriod);
  EXPECT_EQ(Mixed(pacer, kStart + 3 * kPeriod), kStart + 3 * kPeriod);
  EXPECT_EQ(pacer.Blocks(), 3u);
  EXPECT_EQ(pacer.Underruns(), 0u);
  EXPECT_EQ(pacer.LongestMix(), milliseconds(9));
}

TEST(BlockPacer, EveryBlockMixedAfterTheNextIsDueIsOneUnderrunWhateverMadeItLate) {
  BlockPacer pacer(kPeriod, kMaxLagBlocks, kStart);
  // The first block took one and a half periods: late.
  Clock::time_point next = Mixed(pacer, kStart + milliseconds(15), milliseconds(15));
  EXPECT_EQ(pacer.Underruns(), 1u);
  // The schedule does not move: the second block is already due, and mixed in time it catches up.
  EXPECT_EQ(next, kStart + kPeriod);
  EXPECT_EQ(Mixed(pacer, kStart + milliseconds(17)), kStart + 2 * kPeriod);
  EXPECT_EQ(Mixed(pacer, kStart + milliseconds(25)), kStart + 3 * kPeriod);
  EXPECT_EQ(pacer.Blocks(), 3u);
  EXPECT_EQ(pacer.Underruns(), 1u);
  EXPECT_EQ(pacer.LongestMix(), milliseconds(15));

  // A thread that woke 12 ms late and mixed in 1: the processor, not the mix, was missing.
  BlockPacer woken(kPeriod, kMaxLagBlocks, kStart);
  Mixed(woken, kStart + milliseconds(13));
  EXPECT_EQ(woken.Underruns(), 1u);
  EXPECT_EQ(woken.LongestMix(), milliseconds(1));

  // Blocks of 12 ms in a 10 ms period: every one is late, each counted.
  BlockPacer slow(kPeriod, kMaxLagBlocks, kStart);
  for (int block = 1; block <= 5; ++block)
    Mixed(slow, kStart + block * milliseconds(12), milliseconds(12));
  EXPECT_EQ(slow.Underruns(), 5u);
}

TEST(BlockPacer, AStallLongerThanTheLagLimitRestartsTheScheduleFromNow) {
  BlockPacer pacer(kPeriod, kMaxLagBlocks, kStart);
  // Within the limit the missed blocks are still due, one after another.
  Clock::time_point held = kStart + kPeriod + kMaxLagBlocks * kPeriod;
  EXPECT_EQ(Mixed(pacer, held), kStart + kPeriod);
  EXPECT_EQ(pacer.Underruns(), 1u);

  // Past it, one underrun, and the schedule starts again from the moment the block was mixed:
  // the next block is mixed at once and the one after a period later.
  BlockPacer stalled(kPeriod, kMaxLagBlocks, kStart);
  Clock::time_point woke = kStart + milliseconds(500);
  EXPECT_EQ(Mixed(stalled, woke), woke);
  EXPECT_EQ(stalled.Underruns(), 1u);
  EXPECT_EQ(Mixed(stalled, woke + milliseconds(3)), woke + kPeriod);
  EXPECT_EQ(stalled.Underruns(), 1u);
}

}  // namespace
}  // namespace bass
