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
  const fs::path disk = FreshDiskWithDemoPictures("disk");
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

// The run's mode: small, so that the software renderer keeps the run short.
constexpr int kWidth = 320, kHeight = 240;

// "T click X Y" at the window pixel of screen coordinates (x, y).
std::string Click(double t, double x, double y) {
  std::ostringstream line;
  line << t << " click " << std::lround((x + 1) / 2 * kWidth) << " "
       << std::lround((1 - y) / 2 * kHeight) << "\n";
  return line.str();
}

std::string Script() {
  // Centres of the places clicked, in screen coordinates.
  const double infoX = -0.5, stripY = 0.224, tabY = -0.279;
  const double picture = -0.508, credits = -0.595, openY = -0.699, tracks = 0.6, tracksY = -0.685;
  const double closeX = 0.6215, closeY = 0.265, rowX = -0.01, row2Y = 0.04;
  const double buttonY = -0.466, volumeX = -0.331, softerY = -0.484, louderY = -0.44;
  return "# skip the intro\n1.0 key press SPACE\n"
         "# the information panel: the strip closes it, the tab opens it again\n" +
         Click(2.5, infoX, stripY) + Click(4.0, infoX, tabY) +
         "# the picture panel, then every cross-fade and a song from the track list\n" +
         Click(5.0, picture, openY) + Click(6.5, credits, openY) + Click(8.0, tracks, tracksY) +
         Click(9.5, rowX, row2Y) + Click(10.0, picture, openY) + Click(11.5, tracks, tracksY) +
         Click(13.0, credits, openY) + Click(14.5, picture, openY) + "# the three close areas\n" +
         Click(16.0, closeX, closeY) + Click(17.5, credits, openY) + Click(19.0, closeX, closeY) +
         Click(20.5, tracks, tracksY) + Click(22.0, closeX, closeY) +
         "# R and T\n23.5 key press R\n25.0 key press T\n26.5 key press T\n"
         "# pause, resume, stop, play, stop, play\n"
         "27.0 key press P\n28.0 key press P\n28.5 key press RETURN\n" +
         Click(29.0, -0.495, buttonY) + Click(29.5, -0.577, buttonY) +
         "30.0 key press RETURN\n# next, previous, the arrows\n" + Click(30.5, -0.413, buttonY) +
         Click(31.0, -0.659, buttonY) + "31.5 key press RIGHT\n32.0 key press LEFT\n" +
         "# softer, softer, louder\n" + Click(32.5, volumeX, softerY) +
         Click(33.0, volumeX, softerY) + Click(33.5, volumeX, louderY) +
         "34.0 key down KP_PLUS\n34.5 key up KP_PLUS\n35.0 key press ESCAPE\n";
}

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
    script << Script();
  }
  ProgramRun run =
      RunOrvell({"--record", out, "--record-every", "10", "--duration", "60", "--script",
                 out + "/input.txt", "--trace", out + "/trace.jsonl", "--data", disk, "--mode",
                 std::to_string(kWidth) + "x" + std::to_string(kHeight)},
                "env -u DISPLAY -u WAYLAND_DISPLAY", 280);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(out + "/trace.jsonl");
  // Nothing but the closing line: no message of the show.
  EXPECT_TRUE(std::regex_match(run.err, std::regex("orvell: wrote .* \\(0:3[67]\\.[0-9]{2}, " +
                                                   std::to_string(lines.size()) + " frames\\)\n")))
      << run.err;
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
