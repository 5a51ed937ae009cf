// The player screen under test: a generated disk (the repository's pictures and effect, songs made
// in the test) loaded by the real global initialization on the recording device and the offline
// audio output, and frames stepped by hand with the input set between them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "content/analyzer.h"
#include "content/global_initialization_scene.h"
#include "content/player_state.h"
#include "graphics/drawing_operations.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"
#include "platform/d3d9/recording_device.h"
#include "platform/os/platform.h"
#include "scenes/player/main_scene.h"
#include "scenes/player/player_layout.h"
#include "tests/platform/bass/media.h"

namespace player_test {

namespace fs = std::filesystem;

// Screen coordinates to window pixels at 1024 × 768.
inline int PixelX(float x) {
  return int((x + 1.0f) * 512.0f);
}
inline int PixelY(float y) {
  return int((1.0f - y) * 384.0f);
}

class PlayerScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    platform_ = os::Platform::Open(true, &error);
    ASSERT_TRUE(platform_) << error;
    os::SetBatchMode(true);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    disk_ = fs::path(::testing::TempDir()) /
            (std::string("orvell-player-") + test->test_suite_name() + "-" + test->name());
    fs::remove_all(disk_);
    fs::create_directories(disk_ / "music");
    for (const char* name : {"font.png", "tit.png", "gui.fx"}) {
      fs::copy_file(fs::path(ORVELL_SOURCE_DIR) / "data" / name, disk_ / name);
    }
    os::SetDataFolder(disk_.string());
    d3d9::UseRecordingDevice(true);
    GraphicsDevice::Instance(1024, 768, 60, 0);
    ASSERT_TRUE(bass::UseOfflineOutput((disk_ / "audio.wav").string()));
    FrameTimer* timer = FrameTimer::Instance();
    timer->totalSeconds = 0.0f;
    timer->deltaSeconds = 0.02f;
  }

  void TearDown() override {
    scene_.reset();
    loader_.reset();
    PlayerState::Destroy();
    GuiRenderer::Destroy();
    GraphicsDevice::Destroy();
    InputState::Destroy();
    FrameTimer::Destroy();
    d3d9::UseRecordingDevice(false);
    os::SetBatchMode(false);
    platform_.reset();
    fs::remove_all(disk_);
  }

  void WriteSong(const std::string& name, const bass_test::Bytes& bytes) {
    bass_test::WriteFile((disk_ / "music" / name).string(), bytes);
  }
  // A disk.cfg of the given (type, file, title, info) entries and credits.
  void WriteConfig(const std::vector<std::vector<std::string>>& songs,
                   const std::string& credits = "Code\n\nMusic\n") {
    std::string text = std::to_string(songs.size()) + "\n";
    for (const auto& song : songs) {
      for (const auto& line : song) text += line + "\n";
    }
    text += credits;
    bass_test::WriteFile((disk_ / "disk.cfg").string(), bass_test::Bytes(text.begin(), text.end()));
  }
  // Loads the disk as the program does (song 0 starts playing) and builds the player screen,
  // started and fully faded in.
  void Load(bool fadedIn = true) {
    // The renderer first, as the scene manager makes it: the loader hands it the title atlas.
    GuiRenderer::Instance();
    testing::internal::CaptureStderr();
    loader_ = std::make_unique<GlobalInitializationScene>();
    loaderSaid_ = testing::internal::GetCapturedStderr();
    scene_ = std::make_unique<MainScene>();
    scene_->Start();
    if (fadedIn) {
      scene_->fade = 1.0f;
      scene_->fadingIn = false;
    }
  }

  // One pass as the frame loop runs it: the update, then the input snapshot, the timer's step
  // and the sound of the pass; the renderer's queues are emptied for the next update.
  void Frame() {
    GuiRenderer::Instance()->DiscardQueued();
    scene_->Update();
    lastQuads_ = GuiRenderer::Instance()->QueuedQuads();
    lastMeshes_ = GuiRenderer::Instance()->QueuedMeshes();
    InputState::Instance()->Snapshot();
    FrameTimer* timer = FrameTimer::Instance();
    timer->totalSeconds += timer->deltaSeconds;
    bass::RenderOfflineFrames(882);
  }
  void Frames(int count) {
    for (int i = 0; i < count; ++i) Frame();
  }
  // A key down for one frame and up in the next: the scene sees the release in the frame after.
  void PressKey(int virtualKey) {
    InputState::Instance()->keys[virtualKey] = 1;
    Frame();
    InputState::Instance()->keys[virtualKey] = 0;
  }
  // Down, then released: runs the frame that sees the release.
  void ReleaseKey(int virtualKey) {
    PressKey(virtualKey);
    Frame();
  }
  // A completed click at screen coordinates: hover, press, release; runs the releasing frame.
  void Click(float x, float y) {
    InputState* input = InputState::Instance();
    input->mouseX = PixelX(x);
    input->mouseY = PixelY(y);
    Frame();
    input->buttons[0] = 1;
    Frame();
    input->buttons[0] = 0;
    Frame();
  }
  // Moves the mouse away from every button.
  void MouseAway() {
    InputState::Instance()->mouseX = 1023;
    InputState::Instance()->mouseY = 0;
  }

  PlayerState* Player() { return PlayerState::Instance(); }
  DWORD Handle(int song) { return Player()->songs[std::size_t(song)].handle; }
  // How many frames the offline output holds so far.
  std::size_t OutputFrames() {
    return bass_test::ReadFloatWav((disk_ / "audio.wav").string()).samples.size() / 2;
  }
  // The position each output frame from the given one on tells (the songs are counting WAVs),
  // -1 for silence.
  std::vector<long> PositionsFrom(std::size_t frame) {
    auto samples = bass_test::ReadFloatWav((disk_ / "audio.wav").string(), frame * 2).samples;
    std::vector<long> positions;
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
      bool silent = samples[i] == 0 && samples[i + 1] == 0;
      positions.push_back(silent ? -1 : bass_test::CountAt(samples[i], samples[i + 1]));
    }
    return positions;
  }

  fs::path disk_;
  std::unique_ptr<GlobalInitializationScene> loader_;
  std::unique_ptr<MainScene> scene_;
  std::string loaderSaid_;
  std::vector<QuadCommand> lastQuads_;
  std::vector<MeshCommand> lastMeshes_;

 private:
  std::unique_ptr<os::Platform> platform_;
};

}  // namespace player_test
