// Playback control on the offline output: play, pause, stop, rewind, restart, and songs that
// end by themselves. The counting stream makes every output frame tell its own position.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/bass/fixture.h"

namespace bass_test {
namespace {

class Playback : public BassTest {
 protected:
  void SetUp() override {
    BassTest::SetUp();
    StartOffline();
    song = LoadStream("count.wav", MakeCountingWav(44100, 20000));
    ASSERT_NE(song, 0u);
  }

  // The position of every rendered frame, -1 for silence.
  static std::vector<long> Positions(const std::vector<float>& samples) {
    std::vector<long> positions;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
      bool silent = samples[i] == 0 && samples[i + 1] == 0;
      positions.push_back(silent ? -1 : CountAt(samples[i], samples[i + 1]));
    }
    return positions;
  }
  // Checks that the frames count on from first, one by one.
  static void ExpectCountingFrom(const std::vector<float>& samples, long first) {
    std::vector<long> positions = Positions(samples);
    ASSERT_FALSE(positions.empty());
    for (size_t i = 0; i < positions.size(); ++i) {
      // Frame 0 of the song is silent (it counts 0), so it is checked by its neighbours.
      if (first + long(i) == 0) continue;
      ASSERT_EQ(positions[i], first + long(i)) << "frame " << i;
    }
  }
  static void ExpectSilence(const std::vector<float>& samples) {
    ASSERT_FALSE(samples.empty());
    for (size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0.0f) << "sample " << i;
  }

  HSTREAM song = 0;
};

TEST_F(Playback, NothingPlaysUntilStarted) {
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_STOPPED);
  ExpectSilence(Render());
}

TEST_F(Playback, FirstPlayStartsAtTheBeginning) {
  ASSERT_TRUE(BASS_ChannelPlay(song, FALSE));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_PLAYING);
  ExpectCountingFrom(Render(2), 0);
}

TEST_F(Playback, PauseHoldsThePositionAndPlayResumes) {
  BASS_ChannelPlay(song, FALSE);
  Render();
  ASSERT_TRUE(BASS_ChannelPause(song));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_PAUSED);
  ExpectSilence(Render(3));
  EXPECT_FALSE(BASS_ChannelPause(song)) << "pausing a paused channel";
  ASSERT_TRUE(BASS_ChannelPlay(song, FALSE));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_PLAYING);
  ExpectCountingFrom(Render(), kPassFrames);
}

TEST_F(Playback, StopHoldsThePositionAndRewindGoesBackToTheStart) {
  BASS_ChannelPlay(song, FALSE);
  Render(2);
  ASSERT_TRUE(BASS_ChannelStop(song));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_STOPPED);
  ExpectSilence(Render());
  BASS_ChannelPlay(song, FALSE);
  ExpectCountingFrom(Render(), 2 * kPassFrames);

  // What the stop control does: stop, rewind, and later play on from there.
  BASS_ChannelStop(song);
  ASSERT_TRUE(BASS_ChannelSetPosition(song, 0));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_STOPPED) << "a rewind does not start it";
  ExpectSilence(Render());
  BASS_ChannelPlay(song, FALSE);
  ExpectCountingFrom(Render(), 0);
}

TEST_F(Playback, RestartPlaysFromTheBeginningAtOnce) {
  BASS_ChannelPlay(song, FALSE);
  Render(3);
  ASSERT_TRUE(BASS_ChannelPlay(song, TRUE));
  ExpectCountingFrom(Render(), 0);

  BASS_ChannelPause(song);
  BASS_ChannelPlay(song, TRUE);
  ExpectCountingFrom(Render(), 0);
}

TEST_F(Playback, SetPositionTakesBytesOfFloatStereo) {
  ASSERT_TRUE(BASS_ChannelSetPosition(song, 1000 * 8));
  BASS_ChannelPlay(song, FALSE);
  ExpectCountingFrom(Render(), 1000);
  // While playing, the jump comes with the next block.
  ASSERT_TRUE(BASS_ChannelSetPosition(song, 5000 * 8));
  ExpectCountingFrom(Render(), 5000);
  EXPECT_FALSE(BASS_ChannelSetPosition(song, 20001ull * 8)) << "past the end";
  ExpectCountingFrom(Render(), 5000 + kPassFrames);
}

TEST_F(Playback, AStreamEndsByItselfAndTurnsInactive) {
  HSTREAM shortSong = LoadStream("short.wav", MakeCountingWav(44100, 2000));
  BASS_ChannelPlay(shortSong, FALSE);
  Render(2);  // 1764 frames
  EXPECT_EQ(BASS_ChannelIsActive(shortSong), BASS_ACTIVE_PLAYING);
  std::vector<float> last = Render();
  EXPECT_EQ(BASS_ChannelIsActive(shortSong), BASS_ACTIVE_STOPPED);
  std::vector<float> tail(last.begin(), last.begin() + 2 * (2000 - 1764));
  ExpectCountingFrom(tail, 1764);
  ExpectSilence(std::vector<float>(last.begin() + 2 * (2000 - 1764), last.end()));
  ExpectSilence(Render());

  // Played again after its end, it starts over.
  BASS_ChannelPlay(shortSong, FALSE);
  EXPECT_EQ(BASS_ChannelIsActive(shortSong), BASS_ACTIVE_PLAYING);
  ExpectCountingFrom(Render(), 0);
}

TEST_F(Playback, StoppingAnEndedSongKeepsItInactive) {
  HSTREAM shortSong = LoadStream("short.wav", MakeCountingWav(44100, 500));
  BASS_ChannelPlay(shortSong, FALSE);
  Render();
  ASSERT_EQ(BASS_ChannelIsActive(shortSong), BASS_ACTIVE_STOPPED);
  // The player's end-of-song step: stop it, then start it from the beginning.
  EXPECT_TRUE(BASS_ChannelStop(shortSong));
  EXPECT_EQ(BASS_ChannelIsActive(shortSong), BASS_ACTIVE_STOPPED);
  BASS_ChannelPlay(shortSong, TRUE);
  std::vector<float> again = Render();
  ExpectCountingFrom(std::vector<float>(again.begin(), again.begin() + 2 * 500), 0);
  EXPECT_EQ(BASS_ChannelIsActive(shortSong), BASS_ACTIVE_STOPPED);
}

TEST_F(Playback, ChannelsPlayTogether) {
  HSTREAM other = LoadStream("other.wav", MakeCountingWav(44100, 20000));
  BASS_ChannelPlay(song, FALSE);
  Render();
  BASS_ChannelPlay(other, FALSE);
  std::vector<float> both = Render();
  // The second counts from 0 under the first, which counts on from 882.
  for (size_t i = 1; i < kPassFrames; ++i) {
    ASSERT_EQ(std::lround(both[2 * i] * 32768), long(kPassFrames + i) + long(i)) << i;
  }
}

// Modules, once written as MOD and once as XM.
struct ModuleCase {
  const char* name;
  Bytes (*make)(int rows, int speed);
  DWORD flags;
  friend void PrintTo(const ModuleCase& c, std::ostream* out) { *out << c.name; }
};

class ModulePlayback : public BassTest, public ::testing::WithParamInterface<ModuleCase> {
 protected:
  void SetUp() override {
    BassTest::SetUp();
    StartOffline();
  }
  HMUSIC Load(int rows, int speed, DWORD flags) {
    return LoadMusic(GetParam().name, GetParam().make(rows, speed), flags);
  }
};

TEST_P(ModulePlayback, PlaysItsNoteAndEndsAtTheSongsEnd) {
  // 8 rows at 3 ticks of 20 ms: 0.48 s, 24 passes.
  HMUSIC music = Load(8, 3, GetParam().flags);
  ASSERT_NE(music, 0u);
  BASS_ChannelPlay(music, FALSE);
  std::vector<float> song = Render(23);
  EXPECT_EQ(BASS_ChannelIsActive(music), BASS_ACTIVE_PLAYING);
  EXPECT_GT(Peak(std::vector<float>(song.end() - 2 * kPassFrames, song.end())), 0.05f);
  // The sample is one sine period in 32 steps, played at about 8.3 kHz: about 260 Hz, bin 3.
  EXPECT_EQ(Loudest(Spectrum(music)), 3u);

  Render(2);
  EXPECT_EQ(BASS_ChannelIsActive(music), BASS_ACTIVE_STOPPED);
  std::vector<float> all = Rendered();
  ASSERT_EQ(all.size(), 2u * 25 * kPassFrames);
  EXPECT_EQ(Peak(std::vector<float>(all.begin() + 2 * 24 * kPassFrames, all.end())), 0.0f)
      << "silence after the last row";
}

TEST_P(ModulePlayback, RestartRepeatsTheSongExactly) {
  HMUSIC music = Load(8, 3, GetParam().flags);
  BASS_ChannelPlay(music, FALSE);
  std::vector<float> first = Render(10);
  BASS_ChannelPlay(music, TRUE);
  EXPECT_EQ(Render(10), first);
  // And again once it has ended.
  Render(20);
  ASSERT_EQ(BASS_ChannelIsActive(music), BASS_ACTIVE_STOPPED);
  BASS_ChannelPlay(music, TRUE);
  EXPECT_EQ(Render(10), first);
}

TEST_P(ModulePlayback, PauseAndResumeLoseNothing) {
  HMUSIC music = Load(8, 3, GetParam().flags);
  BASS_ChannelPlay(music, FALSE);
  std::vector<float> whole = Render(12);
  BASS_ChannelStop(music);
  BASS_ChannelSetPosition(music, 0);

  BASS_ChannelPlay(music, FALSE);
  std::vector<float> pieces = Render(5);
  BASS_ChannelPause(music);
  Render(4);
  BASS_ChannelPlay(music, FALSE);
  std::vector<float> rest = Render(7);
  pieces.insert(pieces.end(), rest.begin(), rest.end());
  EXPECT_EQ(pieces, whole);
}

TEST_P(ModulePlayback, InterpolationFlagReachesTheMixer) {
  HMUSIC plain = Load(8, 3, GetParam().flags);
  HMUSIC smooth = Load(8, 3, GetParam().flags & ~BASS_MUSIC_NONINTER);
  BASS_ChannelPlay(plain, FALSE);
  std::vector<float> held = Render(5);
  BASS_ChannelStop(plain);
  BASS_ChannelPlay(smooth, FALSE);
  std::vector<float> interpolated = Render(5);
  ASSERT_EQ(held.size(), interpolated.size());
  // Zero-order hold repeats each of the 32 sample values for several output frames; linear
  // interpolation moves on every frame.
  auto repeats = [](const std::vector<float>& s) {
    int count = 0;
    for (size_t i = 2 * 1000; i < s.size(); i += 2) count += s[i] == s[i - 2];
    return count;
  };
  EXPECT_GT(repeats(held), 1000);
  EXPECT_LT(repeats(interpolated), 100);
}

INSTANTIATE_TEST_SUITE_P(Formats, ModulePlayback,
                         ::testing::Values(ModuleCase{"song.mod", MakeMod, kModFlags},
                                           ModuleCase{"song.XM", MakeXm, kXmFlags}),
                         [](const auto& info) { return info.index == 0 ? "Mod" : "Xm"; });

}  // namespace
}  // namespace bass_test
