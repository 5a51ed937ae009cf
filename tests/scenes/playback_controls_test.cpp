// The transport on real songs: the song switch, the end-of-song advance, Enter and P, the
// transport and volume buttons, and a disk without songs. The songs are counting WAVs, so every
// output frame tells where its song stood.
#include "scenes/player/playback_controls.h"

#include <gtest/gtest.h>

#include "tests/scenes/player_fixture.h"

namespace player_test {
namespace {

constexpr long kPass = 882;

// Button centres in screen coordinates at 1024 × 768.
constexpr float kButtonY = -0.5130208f + 0.04f;
constexpr float kStopX = -0.611328125f + 0.03f;
constexpr float kPlayX = -0.529296875f + 0.03f;
constexpr float kPreviousX = -0.693359375f + 0.03f;
constexpr float kNextX = -0.447265625f + 0.03f;
constexpr float kVolumeX = -0.365234375f + 0.03f;
constexpr float kLouderY = -0.4635417f + 0.02f;
constexpr float kSofterY = -0.5130208f + 0.02f;

class PlaybackControls : public PlayerScreenTest {
 protected:
  // Songs of the given lengths in frames, each a counting WAV.
  void LoadSongs(const std::vector<int>& frames) {
    std::vector<std::vector<std::string>> entries;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      std::string name = "song" + std::to_string(i) + ".wav";
      WriteSong(name, bass_test::MakeCountingWav(44100, frames[i]));
      entries.push_back({"stream", name, "Song " + std::to_string(i), "Info"});
    }
    WriteConfig(entries);
    Load();
    ASSERT_EQ(Player()->songCount, int(frames.size()));
    MouseAway();
  }
  // The position the output reached in the last frame of the last pass, -1 for silence.
  long LastPosition() {
    auto positions = PositionsFrom(OutputFrames() - 1);
    return positions.empty() ? -2 : positions.back();
  }
};

TEST_F(PlaybackControls, OneSongIsStartedAgainFromTheBeginningAtItsEnd) {
  LoadSongs({3 * int(kPass)});
  Frames(3);  // the song's three passes
  // The library notices the end when it renders past it; the next update restarts the song.
  int frames = 0;
  while (LastPosition() != kPass - 1 && frames < 5) {
    Frame();
    ++frames;
  }
  EXPECT_LE(frames, 2);
  EXPECT_EQ(Player()->currentSong, 0);
  EXPECT_TRUE(Player()->playing);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(LastPosition(), kPass - 1);
}

TEST_F(PlaybackControls, PreviousAndNextRestartTheOnlySongWhilePlaying) {
  LoadSongs({100 * int(kPass)});
  Frames(5);
  ReleaseKey(VK_RIGHT);  // pass 7 is rendered after the switch
  EXPECT_EQ(Player()->currentSong, 0);
  EXPECT_EQ(LastPosition(), kPass - 1);
  Frames(3);
  Click(kPreviousX, kButtonY);
  EXPECT_EQ(LastPosition(), kPass - 1);
  EXPECT_EQ(Player()->songs[0].infoScroll, 0.5f) << "the information text starts again";
}

TEST_F(PlaybackControls, TheEndOfTheLastSongStartsTheFirst) {
  LoadSongs({50 * int(kPass), 2 * int(kPass), 50 * int(kPass)});
  ReleaseKey(VK_LEFT);
  EXPECT_EQ(Player()->currentSong, 2) << "Left on song 0 selects the last song";
  ReleaseKey(VK_LEFT);
  EXPECT_EQ(Player()->currentSong, 1);
  int frames = 0;
  while (Player()->currentSong == 1 && frames < 6) {
    Frame();
    ++frames;
  }
  EXPECT_LE(frames, 3);
  EXPECT_EQ(Player()->currentSong, 2) << "song 1 ended and the next one started";
  EXPECT_EQ(BASS_ChannelIsActive(Handle(1)), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(2)), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(LastPosition(), kPass - 1);
}

TEST_F(PlaybackControls, PAndEnterWhilePausedResumeWhereThePauseHappened) {
  LoadSongs({100 * int(kPass)});
  Frames(4);
  ReleaseKey('P');  // paused in the sixth update, before its pass is rendered
  EXPECT_FALSE(Player()->playing);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_PAUSED);
  EXPECT_EQ(LastPosition(), -1);
  Frames(3);
  ReleaseKey('P');
  EXPECT_TRUE(Player()->playing);
  EXPECT_EQ(LastPosition(), 5 * kPass + kPass - 1) << "resumed, not restarted";

  ReleaseKey('P');
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_PAUSED);
  ReleaseKey(VK_RETURN);  // Enter while paused plays on too
  EXPECT_TRUE(Player()->playing);
  EXPECT_EQ(LastPosition(), 7 * kPass + kPass - 1);

  ReleaseKey(VK_RETURN);  // Enter while playing stops and rewinds
  EXPECT_FALSE(Player()->playing);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_STOPPED);
  ReleaseKey(VK_RETURN);
  EXPECT_EQ(LastPosition(), kPass - 1);
}

TEST_F(PlaybackControls, NextWhilePausedSelectsWithoutStarting) {
  LoadSongs({100 * int(kPass), 100 * int(kPass)});
  // Song 1 has been played a little and left where it stopped.
  ReleaseKey(VK_RIGHT);
  Frames(2);
  ReleaseKey(VK_LEFT);
  Frames(1);
  ReleaseKey('P');
  EXPECT_EQ(Player()->currentSong, 0);
  ReleaseKey(VK_RIGHT);
  EXPECT_EQ(Player()->currentSong, 1);
  EXPECT_FALSE(Player()->playing);
  EXPECT_EQ(BASS_ChannelIsActive(Handle(0)), BASS_ACTIVE_STOPPED) << "stopped, not paused";
  EXPECT_EQ(BASS_ChannelIsActive(Handle(1)), BASS_ACTIVE_STOPPED);
  Frames(3);
  EXPECT_EQ(Player()->currentSong, 1) << "a stopped song is never advanced";
  EXPECT_EQ(LastPosition(), -1);
  // Song 1 was left by a switch after its switch frame and three more passes, stopped but not
  // rewound: play goes on from there.
  Click(kPlayX, kButtonY);
  EXPECT_TRUE(Player()->playing);
  EXPECT_EQ(LastPosition(), 4 * kPass + kPass - 1);
  ReleaseKey(VK_LEFT);
  EXPECT_EQ(LastPosition(), kPass - 1) << "a switch while playing starts from the beginning";
}

TEST_F(PlaybackControls, StopButtonStopsAndRewindsAndPlayDoesNotToggle) {
  LoadSongs({100 * int(kPass)});
  Frames(3);
  Click(kStopX, kButtonY);
  EXPECT_FALSE(Player()->playing);
  Click(kStopX, kButtonY);
  EXPECT_FALSE(Player()->playing);
  Click(kPlayX, kButtonY);
  EXPECT_TRUE(Player()->playing);
  EXPECT_EQ(LastPosition(), kPass - 1);
  Click(kPlayX, kButtonY);
  EXPECT_TRUE(Player()->playing);
  EXPECT_EQ(LastPosition(), 4 * kPass - 1);
  Click(kNextX, kButtonY);
  EXPECT_EQ(LastPosition(), kPass - 1);
}

TEST_F(PlaybackControls, VolumeStepsStopAtTenAndZero) {
  LoadSongs({100 * int(kPass)});
  ASSERT_EQ(Player()->volumeStep, 10);
  Click(kVolumeX, kLouderY);
  EXPECT_EQ(Player()->volumeStep, 10);
  EXPECT_EQ(BASS_GetVolume(), 100u);
  Click(kVolumeX, kSofterY);
  EXPECT_EQ(Player()->volumeStep, 9);
  EXPECT_EQ(BASS_GetVolume(), 90u);
  for (int i = 0; i < 12; ++i) Click(kVolumeX, kSofterY);
  EXPECT_EQ(Player()->volumeStep, 0);
  EXPECT_EQ(BASS_GetVolume(), 0u);
  Click(kVolumeX, kLouderY);
  EXPECT_EQ(Player()->volumeStep, 1);
  EXPECT_EQ(BASS_GetVolume(), 10u);
}

TEST_F(PlaybackControls, ASongThatFailedToLoadIsSkippedWhilePlaying) {
  WriteSong("good.wav", bass_test::MakeCountingWav(44100, 100 * int(kPass)));
  WriteConfig({{"stream", "good.wav", "Good", "i"},
               {"stream", "missing.wav", "Missing", "i"},
               {"stream", "good.wav", "Good again", "i"}});
  Load();
  ASSERT_EQ(Handle(1), 0u);
  ReleaseKey(VK_RIGHT);
  EXPECT_EQ(Player()->currentSong, 1);
  Frame();
  EXPECT_EQ(Player()->currentSong, 2);
}

TEST_F(PlaybackControls, WithoutSongsEveryControlThatAddressesASongDoesNothing) {
  WriteConfig({});
  Load();
  ASSERT_EQ(Player()->songCount, 0);
  ASSERT_FALSE(Player()->playing);
  for (int key : {VK_RETURN, int('P'), VK_LEFT, VK_RIGHT}) ReleaseKey(key);
  for (float x : {kStopX, kPlayX, kPreviousX, kNextX}) Click(x, kButtonY);
  EXPECT_EQ(Player()->currentSong, 0);
  EXPECT_FALSE(Player()->playing);
  EXPECT_EQ(CurrentSong(), nullptr);
  EXPECT_EQ(NextSong(), 0);
  EXPECT_EQ(PreviousSong(), 0);
  SwitchToSong(0);
  EXPECT_EQ(Player()->currentSong, 0);
  // The volume buttons address no song and still work.
  Click(kVolumeX, kSofterY);
  EXPECT_EQ(Player()->volumeStep, 9);
}

}  // namespace
}  // namespace player_test
