// The intro end to end: the real program in record mode plays the whole show without input and
// hands over at the first frames after 10, 35, 44 and 79 seconds; Space during the logo reaches the
// player at once.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "tests/support/program_run.h"

namespace {

// How often a text occurs in a trace line.
int Occurrences(const std::string& line, const std::string& text) {
  int count = 0;
  for (std::size_t at = line.find(text); at != std::string::npos; at = line.find(text, at + 1)) {
    ++count;
  }
  return count;
}

// The first pass in which each scene index was active.
std::map<int, int> FirstActivePasses(const std::vector<std::string>& lines) {
  std::map<int, int> first;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    auto scenes = TracedScenes(lines[n]);
    EXPECT_EQ(scenes.size(), 6u) << "pass " << n;
    for (std::size_t i = 0; i < scenes.size(); ++i) {
      if (scenes[i].active && !first.count(int(i))) first[int(i)] = int(n);
    }
  }
  return first;
}

TEST(IntroShow, WithoutInputEveryCueHandsOverInTheFirstPassAfterIt) {
  std::string out = FreshFolder("show");
  ProgramRun run =
      RunOrvell({"--record", out, "--duration", "82", "--mode", "160x120", "--record-every", "1000",
                 "--seed", "7", "--trace", out + "/trace.jsonl"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(out + "/trace.jsonl");
  ASSERT_EQ(lines.size(), 4100u);

  // A cue asks in the first pass after its time (10.02, 35.02, 44.02) and the next pass starts the
  // successor; the intro starts fading at 79.02 and hands over when its fade has ended.
  auto first = FirstActivePasses(lines);
  EXPECT_EQ(first[1], 0);
  EXPECT_EQ(first[2], 502);
  EXPECT_EQ(first[3], 1752);
  EXPECT_EQ(first[4], 2202);
  EXPECT_EQ(first[5], 4003);
  EXPECT_FLOAT_EQ(float(JsonNumber(lines[502], "t")), 10.04f);
  EXPECT_FLOAT_EQ(float(JsonNumber(lines[4003], "t")), 80.06f);
  // Before the player, the intro's own pass of fading to nothing with no scene left on screen.
  for (const auto& scene : TracedScenes(lines[4002])) EXPECT_FALSE(scene.active);
  EXPECT_TRUE(TracedScenes(lines[3950])[4].active);
  EXPECT_TRUE(TracedScenes(lines.back())[5].active);

  // The intro draws six cloud rings, the veil and a sprite, driven by its own analyzer (scene 4);
  // the scenes before it draw no meshes, and after it the cloud is gone.
  EXPECT_EQ(Occurrences(lines[2000], "\"cloudring\""), 0);
  EXPECT_EQ(Occurrences(lines[2500], "\"cloudring\""), 6);
  EXPECT_EQ(Occurrences(lines[2500], "\"fvf\":66"), 1) << "one veil";
  EXPECT_EQ(Occurrences(lines[2500], "\"scene\":4"), 1);
  EXPECT_EQ(Occurrences(lines[2500], "\"texture\":\"tit\",\"fvf\":258"), 1) << "the title sprite";
  EXPECT_EQ(Occurrences(lines[3000], "\"texture\":\"credits\",\"fvf\":258"), 1);
  EXPECT_EQ(Occurrences(lines[4050], "\"cloudring\""), 0);
  EXPECT_EQ(Occurrences(lines[4050], "\"scene\":4"), 0);
}

TEST(IntroShow, SpaceAtFiveSecondsReachesThePlayerAtOnce) {
  std::string out = FreshFolder("skip");
  {
    std::ofstream script(out + "/input.txt");
    script << "5.0 key press SPACE\n";
  }
  ProgramRun run =
      RunOrvell({"--record", out, "--duration", "8", "--mode", "160x120", "--record-every", "1000",
                 "--script", out + "/input.txt", "--trace", out + "/trace.jsonl"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(out + "/trace.jsonl");
  ASSERT_EQ(lines.size(), 400u);
  // The timer reaches 5 s in pass 249's step, so the key goes down in that pass's pump and up in
  // pass 250's; pass 251 sees the release and hands over, pass 252 starts the player while the
  // logo fades out over it.
  auto first = FirstActivePasses(lines);
  EXPECT_EQ(first[5], 252);
  EXPECT_EQ(first.count(2), 0u);
  EXPECT_EQ(first.count(3), 0u);
  EXPECT_EQ(first.count(4), 0u);
  EXPECT_FALSE(TracedScenes(lines.back())[1].active);
}

}  // namespace
