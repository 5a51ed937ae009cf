// Start-up loading from a generated disk: the song table, the load flags, the messages of the
// failure cases and the shutdown, on the recording device and the offline audio output.
#include "content/global_initialization_scene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "content/disk_config.h"
#include "content/player_state.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"
#include "platform/d3d9/recording_device.h"
#include "platform/os/platform.h"
#include "tests/platform/bass/media.h"

namespace {

namespace fs = std::filesystem;

class GlobalInitializationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    platform_ = os::Platform::Open(true, &error);
    ASSERT_TRUE(platform_) << error;
    os::SetBatchMode(true);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    disk_ = fs::path(::testing::TempDir()) / (std::string("orvell-disk-") + test->name());
    fs::remove_all(disk_);
    fs::create_directories(disk_ / "music");
    os::SetDataFolder(disk_.string());
    d3d9::UseRecordingDevice(true);
    GraphicsDevice::Instance(1024, 768, 60, 0);
    ASSERT_TRUE(bass::UseOfflineOutput((disk_ / "audio.wav").string()));
  }
  void TearDown() override {
    scene_.reset();
    PlayerState::Destroy();
    GraphicsDevice::Destroy();
    d3d9::UseRecordingDevice(false);
    os::SetBatchMode(false);
    platform_.reset();
  }
  void Write(const std::string& name, const bass_test::Bytes& bytes) {
    bass_test::WriteFile((disk_ / name).string(), bytes);
  }
  void WriteConfig(const std::string& text) {
    Write("disk.cfg", bass_test::Bytes(text.begin(), text.end()));
  }
  // Builds the scene and returns what it said on stderr.
  std::string Load() {
    testing::internal::CaptureStderr();
    scene_ = std::make_unique<GlobalInitializationScene>();
    return testing::internal::GetCapturedStderr();
  }

  fs::path disk_;
  std::unique_ptr<GlobalInitializationScene> scene_;

 private:
  std::unique_ptr<os::Platform> platform_;
};

TEST(ModuleFlags, FastTrackerOnlyForAnUpperCaseXmEnding) {
  EXPECT_EQ(ModuleLoadFlags("data/music/song.XM"), 0x9a300u);
  EXPECT_EQ(ModuleLoadFlags("data/music/song.xm"), 0x9c300u);
  EXPECT_EQ(ModuleLoadFlags("data/music/song.Xm"), 0x9c300u);
  EXPECT_EQ(ModuleLoadFlags("data/music/song.mod"), 0x9c300u);
  EXPECT_EQ(ModuleLoadFlags("XM"), 0x9c300u);
}

TEST_F(GlobalInitializationTest, LoadsEverySongAndStartsTheFirst) {
  Write("music/one.mod", bass_test::MakeMod(64, 6));
  Write("music/two.XM", bass_test::MakeXm(64, 6));
  Write("music/three.wav",
        bass_test::MakeWavFloat(44100, 2, bass_test::Sine(440, 0.5, 44100, 44100)));
  WriteConfig(
      "3\r\nmod\r\none.mod\r\nFirst Song\r\nA few words.\r\n"
      "mod\ntwo.XM\nSecond\nMore words about the second song.\n"
      "stream\nthree.wav\nThird\n\nCode\n\nMusic\n");
  std::string said = Load();
  EXPECT_EQ(said, "");
  PlayerState* player = PlayerState::Instance();
  ASSERT_EQ(player->songCount, 3);
  for (const Song& song : player->songs) EXPECT_NE(song.handle, 0u) << song.title;
  EXPECT_EQ(player->songs[0].title, "First Song");
  EXPECT_FLOAT_EQ(player->songs[0].titleWidth, MeasureTextLine("First Song", 0.05f));
  EXPECT_EQ(player->songs[1].infoText, "More words about the second song.");
  EXPECT_FLOAT_EQ(player->songs[1].infoHeight,
                  MeasureTextBox("More words about the second song.", 0.05f, 0.3f));
  EXPECT_LT(player->songs[1].infoHeight, 0.0f);
  EXPECT_FLOAT_EQ(player->songs[2].infoScroll, 0.5f);
  EXPECT_EQ(player->creditsText, "Code\n\nMusic\n");
  EXPECT_FLOAT_EQ(player->creditsHeight, MeasureTextBox("Code\n\nMusic\n", 0.033f, 0.75f));
  EXPECT_EQ(player->currentSong, 0);
  EXPECT_TRUE(player->playing);
  EXPECT_EQ(player->volumeStep, 10);
  EXPECT_FLOAT_EQ(player->infoScrollSpeed, -0.035f);
  EXPECT_EQ(BASS_ChannelIsActive(player->songs[0].handle), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_ChannelIsActive(player->songs[1].handle), BASS_ACTIVE_STOPPED);
}

TEST_F(GlobalInitializationTest, UnsupportedTypesAndBadFilesKeepTheirEntries) {
  Write("music/empty.mod", {});
  Write("music/noise.mod", bass_test::Bytes(3000, 0x5a));
  Write("music/sound.mod",
        bass_test::MakeWavFloat(44100, 2, bass_test::Sine(440, 0.5, 44100, 4410)));
  Write("music/module.ogg", bass_test::MakeMod(16, 6));
  WriteConfig(
      "6\nmod \nx.mod\nTrailing space in the type\ni\n"
      "mod\nempty.mod\nEmpty\ni\n"
      "mod\nnoise.mod\nNoise\ni\n"
      "mod\nsound.mod\nA sound named like a module\ni\n"
      "stream\nmodule.ogg\nA module named like a stream\ni\n"
      "mod\nmissing.mod\nMissing\ni\n");
  std::string said = Load();
  const std::string unsupported = "Orvell: Unsupported song type\n";
  const std::string failed = "Orvell: Failed to load music file. Sorry.\n";
  std::string expected = unsupported + failed;
  for (int i = 0; i < 5; ++i) expected += failed;
  EXPECT_EQ(said, expected);
  PlayerState* player = PlayerState::Instance();
  ASSERT_EQ(player->songCount, 6);
  for (const Song& song : player->songs) EXPECT_EQ(song.handle, 0u) << song.title;
  EXPECT_EQ(player->songs[5].title, "Missing");
}

TEST_F(GlobalInitializationTest, FewerEntriesThanTheCountAreUnsupported) {
  Write("music/one.mod", bass_test::MakeMod(16, 6));
  WriteConfig("3\nmod\none.mod\nOne\ninfo\n");
  std::string said = Load();
  PlayerState* player = PlayerState::Instance();
  ASSERT_EQ(player->songCount, 3);
  EXPECT_NE(player->songs[0].handle, 0u);
  EXPECT_EQ(player->songs[2].title, "");
  EXPECT_EQ(player->creditsText, "");
  std::size_t unsupported = 0;
  for (std::size_t at = said.find("Unsupported"); at != std::string::npos;
       at = said.find("Unsupported", at + 1)) {
    ++unsupported;
  }
  EXPECT_EQ(unsupported, 2u);
}

TEST_F(GlobalInitializationTest, WithoutAConfigurationNothingPlaysAndNothingBreaks) {
  std::string said = Load();
  EXPECT_EQ(said, "");
  PlayerState* player = PlayerState::Instance();
  EXPECT_EQ(player->songCount, 0);
  EXPECT_TRUE(player->songs.empty());
  EXPECT_FALSE(player->playing);
  EXPECT_EQ(player->creditsText, "");
  EXPECT_EQ(PlayerState::Instance()->titleAtlas, nullptr);
}

TEST_F(GlobalInitializationTest, AHostileCountIsCutWithOneMessage) {
  WriteConfig("2000000000\nmod\nnone.mod\nT\ni\n");
  std::string said = Load();
  EXPECT_EQ(PlayerState::Instance()->songCount, kMaxSongsBeyondFile);
  EXPECT_EQ(said.rfind("Orvell: disk.cfg lists 2000000000 songs", 0), 0u) << said.substr(0, 200);
}

TEST_F(GlobalInitializationTest, ShutdownFreesTheSongsAndTheOutput) {
  Write("music/one.mod", bass_test::MakeMod(64, 6));
  WriteConfig("1\nmod\none.mod\nOne\ninfo\n");
  Load();
  DWORD handle = PlayerState::Instance()->songs[0].handle;
  ASSERT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_PLAYING);
  scene_.reset();
  EXPECT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_GetVolume(), DWORD(-1));
  EXPECT_EQ(PlayerState::Instance()->titleAtlas, nullptr);
}

}  // namespace
