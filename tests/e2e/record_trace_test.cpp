// The real program in record mode: the virtual clock, the trace and scripted input end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/program_run.h"

namespace {

TEST(RecordTrace, ThreeSecondsGiveOneHundredFiftyPassesOnTheVirtualClock) {
  std::string out = FreshFolder("record");
  ProgramRun run = RunOrvell({"--record", out, "--duration", "3", "--no-setup", "--trace",
                              out + "/trace.jsonl", "--mode", "160x120"},
                             "env -u DISPLAY -u WAYLAND_DISPLAY");
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(out + "/trace.jsonl");
  ASSERT_EQ(lines.size(), 150u);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    EXPECT_EQ(JsonNumber(lines[n], "frame"), double(n));
    EXPECT_EQ(float(JsonNumber(lines[n], "t")), float(std::lround(n * 20.0) / 1000.0)) << n;
    EXPECT_EQ(float(JsonNumber(lines[n], "dt")), n == 0 ? 0.0f : 0.02f) << n;
  }
  auto scenes = TracedScenes(lines.back());
  ASSERT_EQ(scenes.size(), 6u);
  EXPECT_TRUE(std::isnan(scenes[0].fade));
  EXPECT_TRUE(scenes[1].active);
  EXPECT_EQ(scenes[1].fade, 1.0);
}

TEST(RecordTrace, SpaceDuringTheLogoHandsStraightToThePlayer) {
  std::string out = FreshFolder("skip");
  {
    std::ofstream script(out + "/input.txt");
    script << "# skip the intro\n1.0 key press SPACE\n";
  }
  ProgramRun run = RunOrvell({"--record", out, "--duration", "4", "--mode", "160x120", "--script",
                              out + "/input.txt", "--trace", out + "/trace.jsonl"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(out + "/trace.jsonl");
  ASSERT_EQ(lines.size(), 200u);
  int playerFrom = -1;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    auto scenes = TracedScenes(lines[n]);
    ASSERT_EQ(scenes.size(), 6u);
    EXPECT_FALSE(scenes[2].active) << "the captions never start, frame " << n;
    if (scenes[5].active && playerFrom < 0) playerFrom = int(n);
  }
  // Down in the pump of pass 49 (t = 1.0), up in pass 50's; pass 51 sees the release and hands
  // over; pass 52 starts the player while the logo fades out over it.
  ASSERT_EQ(playerFrom, 52);
  auto handOver = TracedScenes(lines[52]);
  EXPECT_TRUE(handOver[1].active);
  EXPECT_NEAR(handOver[1].fade, 0.98, 1e-6);
  EXPECT_NEAR(handOver[5].fade, 0.02, 1e-6);
  auto later = TracedScenes(lines[102]);
  EXPECT_FALSE(later[1].active);
  EXPECT_EQ(later[5].fade, 1.0);
}

TEST(RecordTrace, EscapeOnThePlayerEndsTheShowByItself) {
  std::string out = FreshFolder("quit");
  {
    std::ofstream script(out + "/input.txt");
    script << "0.5 key press ESCAPE\n2.0 key press ESCAPE\n";
  }
  ProgramRun run = RunOrvell({"--record", out, "--duration", "60", "--mode", "160x120", "--script",
                              out + "/input.txt", "--trace", out + "/trace.jsonl"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(out + "/trace.jsonl");
  // The player starts at pass 27, is left at once by its second Escape and fades for a second.
  ASSERT_GT(lines.size(), 100u);
  ASSERT_LT(lines.size(), 200u);
  auto last = TracedScenes(lines.back());
  for (const auto& scene : last) EXPECT_FALSE(scene.active);

  // The pass that ends the fade-out shows a black frame: byte for byte the frame of the pass
  // after it, which draws nothing on the cleared screen; the player at full light does not.
  const std::size_t ended = lines.size() - 2;
  ASSERT_FALSE(TracedScenes(lines[ended])[5].active);
  ASSERT_TRUE(TracedScenes(lines[ended - 1])[5].active);
  auto frame = [&](std::size_t pass) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06zu.png", pass);
    std::ifstream file(out + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  const std::string black = frame(lines.size() - 1);
  ASSERT_FALSE(black.empty());
  EXPECT_TRUE(frame(ended) == black) << "the last frame of the quit is black";
  EXPECT_FALSE(frame(ended - 50) == black) << "the player before the fade-out is not";
}

}  // namespace
