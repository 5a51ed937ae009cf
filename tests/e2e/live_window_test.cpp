// The real program in a real window under Xvfb: it opens its caption-less window at (10, 100) in
// the chosen size, takes real key events, and ends by itself after Escape on the player.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/program_run.h"

namespace {

TEST(LiveWindow, KeysSkipTheIntroAndEscapeEndsTheShow) {
  std::string folder = FreshFolder("live");
  std::string trace = folder + "/trace.jsonl";
  std::string command = std::string("timeout 60 ") + ORVELL_SOURCE_DIR +
                        "/tests/e2e/live_window.sh " + ORVELL_EXECUTABLE + " " + trace + " " +
                        ORVELL_SOURCE_DIR + "/data >" + folder + "/out 2>" + folder + "/err";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  auto geometry = ReadLines(folder + "/out");
  ASSERT_GE(geometry.size(), 3u);
  EXPECT_NE(geometry[1].find("Position: 10,100"), std::string::npos) << geometry[1];
  EXPECT_NE(geometry[2].find("Geometry: 1024x768"), std::string::npos) << geometry[2];

  auto lines = ReadLines(trace);
  ASSERT_FALSE(lines.empty());
  bool playerShown = false;
  for (const auto& line : lines) {
    auto scenes = TracedScenes(line);
    ASSERT_EQ(scenes.size(), 6u);
    EXPECT_FALSE(scenes[2].active) << "the skip came during the logo";
    playerShown = playerShown || (scenes[5].active && scenes[5].fade == 1.0);
  }
  EXPECT_TRUE(playerShown);
  for (const auto& scene : TracedScenes(lines.back())) EXPECT_FALSE(scene.active);
}

}  // namespace
