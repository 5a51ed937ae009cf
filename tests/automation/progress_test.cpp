// The progress line's parts and the show times it prints.
#include "automation/progress.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, ShowsWhatIsKnown) {
  // 90 s of show left is 4500 passes, 45 s at 100 frames a second.
  EXPECT_EQ(ProgressLine(30, 120.0, 100.0, 10),
            "0:30 / 2:00 [##--------]  25%  100.0 fps  0:45 left");
  EXPECT_EQ(ProgressLine(75, std::nullopt, 50.0, 10), "1:15  50.0 fps");
  EXPECT_EQ(ProgressLine(0.02, 3.0, std::nullopt, 4), "0:00 / 0:03 [----]   0%");
  EXPECT_EQ(ProgressLine(200, 100.0, 25.0, 4), "3:20 / 1:40 [####] 100%  25.0 fps");
}

TEST(ProgressLine, ShowTimeHasHoursOnlyWhenNeeded) {
  EXPECT_EQ(ShowTime(59.6, false), "1:00");
  EXPECT_EQ(ShowTime(3725.5, true), "1:02:05.50");
  EXPECT_EQ(ShowTime(36.08, true), "0:36.08");
}

}  // namespace
