// The player screen end to end: a record-mode run on a disk the test makes itself, with a script
// that skips the intro, clicks every button and hot area, opens and cross-fades every panel, picks
// a song from the track list, pauses, resumes, changes the volume and quits with Escape. The trace
// must show each change at its scripted time, and the program must end by itself.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/platform/bass/media.h"
#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;

// A disk of three tiny songs of about 40 seconds, so that none ends during the script: a module,
// an XM and a low-rate WAV stream.
std::string MakeDisk() {
  fs::path disk = FreshFolder("disk");
  fs::create_directories(disk / "music");
  for (const auto& entry : fs::directory_iterator(fs::path(ORVELL_SOURCE_DIR) / "data")) {
    std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".png" || name == "gui.fx") {
      fs::copy_file(entry.path(), disk / name);
    }
  }
  bass_test::WriteFile((disk / "music/one.mod").string(), bass_test::MakeMod(64, 31));
  bass_test::WriteFile((disk / "music/two.xm").string(), bass_test::MakeXm(64, 31));
  std::vector<std::int16_t> samples;
  for (int i = 0; i < 8000 * 42; ++i) {
    samples.push_back(std::int16_t(12000 * std::sin(2 * M_PI * 110.0 * i / 8000.0)));
  }
  bass_test::WriteFile((disk / "music/three.wav").string(), bass_test::MakeWav16(8000, 1, samples));
  std::ofstream config(disk / "disk.cfg", std::ios::binary);
  config << "3\n"
            "mod\none.mod\nFirst of three, with a title too long for its box\n"
            "A module of one looped sine, written byte by byte by the test that plays it.\n"
            "mod\ntwo.xm\nSecond\nThe same song as an XM.\n"
            "stream\nthree.wav\nThird\nA low sine, resampled as it plays.\n"
            "Code\n\nMusic\n\nPictures\n\nThe credits scroll over the credits panel.\n";
  return disk.string();
}

// Window pixels of the places the script clicks, at 1024 × 768.
const char* kScript = R"(# skip the intro
1.0 key press SPACE
# the information panel: the strip closes it, the tab opens it again
2.5 click 256 298
4.0 click 256 491
# the picture panel, then every cross-fade
5.0 click 252 652
6.5 click 207 652
8.0 click 819 647
9.5 click 507 368
10.0 click 252 652
11.5 click 819 647
13.0 click 207 652
14.5 click 252 652
# the three close areas
16.0 click 830 282
17.5 click 207 652
19.0 click 830 282
20.5 click 819 647
22.0 click 830 282
# R and T
23.5 key press R
25.0 key press T
26.5 key press T
# pause, resume, stop, play
27.0 key press P
28.0 key press P
28.5 key press RETURN
29.0 click 258 563
29.5 click 216 563
30.0 key press RETURN
# next, previous, arrows
30.5 click 300 563
31.0 click 174 563
31.5 key press RIGHT
32.0 key press LEFT
# softer, softer, louder
32.5 click 342 570
33.0 click 342 570
33.5 click 342 553
34.0 key down KP_PLUS
34.5 key up KP_PLUS
35.0 key press ESCAPE
)";

struct Change {
  double t;
  std::string value;
};

// Every change of a member's value over the trace, with the timer value of the pass it shows in.
std::vector<Change> Changes(const std::vector<std::string>& lines, const std::string& key) {
  std::regex pattern("\"" + key + "\":(true|false|null|-?[0-9.eE+-]+)");
  std::vector<Change> changes;
  for (const std::string& line : lines) {
    std::smatch match;
    if (!std::regex_search(line, match, pattern)) continue;
    if (changes.empty() || changes.back().value != match[1].str()) {
      changes.push_back({JsonNumber(line, "t"), match[1].str()});
    }
  }
  return changes;
}

std::string Describe(const std::vector<Change>& changes) {
  std::ostringstream text;
  for (const Change& c : changes) text << c.t << ":" << c.value << " ";
  return text.str();
}

// The changes after the first, each expected in the window (at, at + 0.1]: an event at T reaches
// the scene two or three passes later. An expected time below 0 means "one second after the
// previous change" (a panel transition), within a pass or two.
void ExpectChanges(const std::vector<Change>& changes, const std::vector<Change>& expected,
                   const std::string& key) {
  ASSERT_EQ(changes.size(), expected.size() + 1) << key << ": " << Describe(changes);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Change& seen = changes[i + 1];
    EXPECT_EQ(seen.value, expected[i].value) << key << " change " << i << ": " << Describe(changes);
    if (expected[i].t >= 0) {
      EXPECT_GT(seen.t, expected[i].t) << key << " change " << i;
      EXPECT_LE(seen.t, expected[i].t + 0.1) << key << " change " << i;
    } else {
      double after = seen.t - changes[i].t;
      EXPECT_GE(after, 0.99) << key << " change " << i << " after " << changes[i].t;
      EXPECT_LE(after, 1.05) << key << " change " << i << " after " << changes[i].t;
    }
  }
}

TEST(PlayerScreen, AScriptedVisitChangesEveryStateOnTimeAndEndsByItself) {
  std::string disk = MakeDisk();
  std::string out = FreshFolder("record");
  {
    std::ofstream script(out + "/input.txt");
    script << kScript;
  }
  ProgramRun run =
      RunOrvell({"--record", out, "--record-every", "10", "--duration", "60", "--script",
                 out + "/input.txt", "--trace", out + "/trace.jsonl", "--data", disk},
                "env -u DISPLAY -u WAYLAND_DISPLAY", 280);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err, "");
  auto lines = ReadLines(out + "/trace.jsonl");
  // Escape at 35 s is seen at 35.04 s; the fade-out takes a second; the run ends before 60 s.
  ASSERT_GT(lines.size(), 1800u);
  ASSERT_LT(lines.size(), 1815u);
  for (const auto& scene : TracedScenes(lines.back())) EXPECT_FALSE(scene.active);

  const double later = -1;  // one second after the previous change
  ExpectChanges(
      Changes(lines, "panelState"),
      {{5.0, "1"},   {later, "2"}, {6.5, "8"},   {later, "5"},  {8.0, "12"},  {later, "10"},
       {10.0, "14"}, {later, "2"}, {11.5, "13"}, {later, "10"}, {13.0, "15"}, {later, "5"},
       {14.5, "7"},  {later, "2"}, {16.0, "3"},  {later, "0"},  {17.5, "4"},  {later, "5"},
       {19.0, "6"},  {later, "0"}, {20.5, "9"},  {later, "10"}, {22.0, "11"}, {later, "0"},
       {23.5, "4"},  {later, "5"}, {25.0, "6"},  {later, "0"}},
      "panelState");
  // The strip closes the rolled-open panel in 0.94 s; the tab opens it again.
  auto info = Changes(lines, "infoPanelState");
  ASSERT_EQ(info.size(), 4u) << Describe(info);
  EXPECT_EQ(info[0].value, "1");
  EXPECT_EQ(info[1].value, "2");
  EXPECT_GT(info[1].t, 2.5);
  EXPECT_LE(info[1].t, 2.6);
  EXPECT_EQ(info[2].value, "0");
  EXPECT_NEAR(info[2].t - info[1].t, 0.96, 0.03);
  EXPECT_EQ(info[3].value, "1");
  EXPECT_GT(info[3].t, 4.0);
  EXPECT_LE(info[3].t, 4.1);

  ExpectChanges(Changes(lines, "currentSong"),
                {{9.5, "2"}, {30.5, "0"}, {31.0, "2"}, {31.5, "0"}, {32.0, "2"}}, "currentSong");
  // Pause, resume, stop, play, stop, play; the song is stopped for good when the fade-out ends.
  auto playing = Changes(lines, "playing");
  ASSERT_EQ(playing.size(), 8u) << Describe(playing);
  ExpectChanges(std::vector<Change>(playing.begin(), playing.end() - 1),
                {{27.0, "false"},
                 {28.0, "true"},
                 {28.5, "false"},
                 {29.0, "true"},
                 {29.5, "false"},
                 {30.0, "true"}},
                "playing");
  EXPECT_EQ(playing.back().value, "false");
  EXPECT_NEAR(playing.back().t, 36.04, 0.03);
  ExpectChanges(Changes(lines, "volumeStep"), {{32.5, "9"}, {33.0, "8"}, {33.5, "9"}},
                "volumeStep");

  // The output volume follows the steps, is pulled down with the fade-out below 90 and is
  // restored in the last pass.
  auto volume = Changes(lines, "volume");
  ASSERT_GE(volume.size(), 10u) << Describe(volume);
  EXPECT_EQ(volume[0].value, "100");
  EXPECT_EQ(volume[1].value, "90");
  EXPECT_EQ(volume[2].value, "80");
  EXPECT_EQ(volume[3].value, "90");
  EXPECT_GT(volume[4].t, 35.1) << "held at 90 while the fade is above 0.9";
  EXPECT_EQ(volume[volume.size() - 2].value, "0");
  EXPECT_EQ(volume.back().value, "90");
  // In the pass in which the player screen went inactive; one more pass ends the run.
  EXPECT_EQ(volume.back().t, JsonNumber(lines[lines.size() - 2], "t"));
  EXPECT_FALSE(TracedScenes(lines[lines.size() - 2])[5].active);
  EXPECT_TRUE(TracedScenes(lines[lines.size() - 3])[5].active);

  // The analyzer runs while music plays with no panel in the way, and only then.
  auto at = [&](double t) { return lines.at(std::size_t(std::lround(t / 0.02))); };
  EXPECT_NE(at(4.5).find("\"analyzers\":[{\"scene\":5,"), std::string::npos);
  EXPECT_NE(at(5.5).find("\"analyzers\":[{\"scene\":5,"), std::string::npos) << "picture opening";
  EXPECT_NE(at(7.0).find("\"analyzers\":[]"), std::string::npos) << "cross-fading";
  EXPECT_NE(at(9.2).find("\"analyzers\":[]"), std::string::npos) << "track list open";
  EXPECT_NE(at(27.5).find("\"analyzers\":[]"), std::string::npos) << "paused";
  EXPECT_NE(at(31.2).find("\"analyzers\":[{\"scene\":5,"), std::string::npos);

  // Frames were written every tenth pass.
  EXPECT_TRUE(fs::exists(out + "/frame-000000.png"));
  EXPECT_TRUE(fs::exists(out + "/frame-001500.png"));
  EXPECT_FALSE(fs::exists(out + "/frame-001501.png"));
}

}  // namespace
