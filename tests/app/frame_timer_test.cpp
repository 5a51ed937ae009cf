// The frame timer counts whole milliseconds and survives the tick counter's wrap.
#include "app/frame_timer.h"

#include <gtest/gtest.h>

#include "platform/os/platform.h"

namespace {

class FrameTimerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FrameTimer::Destroy();
    os::UseRealClock();
  }
};

TEST_F(FrameTimerTest, StartsAtZeroAndCountsWholeMilliseconds) {
  os::UseVirtualClock(5000, 20);
  FrameTimer* timer = FrameTimer::Instance();
  EXPECT_EQ(timer->startTick, 5000u);
  EXPECT_EQ(timer->lastTick, 5000u);
  EXPECT_EQ(timer->totalSeconds, 0.0f);
  EXPECT_EQ(timer->deltaSeconds, 0.0f);

  os::SleepForFrame(0);
  timer->Update();
  EXPECT_EQ(timer->totalSeconds, 0.02f);
  EXPECT_EQ(timer->deltaSeconds, 0.02f);
  os::SleepForFrame(0);
  os::SleepForFrame(0);
  timer->Update();
  EXPECT_EQ(timer->totalSeconds, 0.06f);
  EXPECT_EQ(timer->deltaSeconds, 0.04f);
  EXPECT_EQ(timer->lastTick, 5060u);
}

TEST_F(FrameTimerTest, TwoUpdatesInOneMillisecondGiveZeroDelta) {
  os::UseVirtualClock(0, 20);
  FrameTimer* timer = FrameTimer::Instance();
  os::SleepForFrame(0);
  timer->Update();
  timer->Update();
  EXPECT_EQ(timer->deltaSeconds, 0.0f);
  EXPECT_EQ(timer->totalSeconds, 0.02f);
}

TEST_F(FrameTimerTest, DeltaStaysRightAcrossTheCounterWrap) {
  os::UseVirtualClock(0xFFFFFFF6u, 20);  // 10 ms before the wrap
  FrameTimer* timer = FrameTimer::Instance();
  os::SleepForFrame(0);
  timer->Update();
  EXPECT_EQ(timer->lastTick, 10u);
  EXPECT_EQ(timer->deltaSeconds, 0.02f);
  EXPECT_EQ(timer->totalSeconds, 0.02f);
}

TEST_F(FrameTimerTest, TotalTurnsNegativeAfterHalfTheCounterRange) {
  os::UseVirtualClock(0, 0x80000000u);
  FrameTimer* timer = FrameTimer::Instance();
  os::SleepForFrame(0);
  timer->Update();
  EXPECT_LT(timer->totalSeconds, 0.0f);
}

TEST_F(FrameTimerTest, AccessorCreatesOnceUntilDestroyed) {
  os::UseVirtualClock(100, 20);
  FrameTimer* first = FrameTimer::Instance();
  os::SleepForFrame(0);
  EXPECT_EQ(FrameTimer::Instance(), first);
  EXPECT_EQ(first->startTick, 100u);
  FrameTimer::Destroy();
  EXPECT_EQ(FrameTimer::Instance()->startTick, 120u);
}

}  // namespace
