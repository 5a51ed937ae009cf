// The CPU cost of one player-screen frame: MainScene's update with its queueing on the recording
// device, while music with beats plays, all three visualizers run and the credits scroll (the
// credits panel opening, one of the two states that show both), and with no panel.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_timer.h"
#include "app/release_and_clear.h"
#include "content/global_initialization_scene.h"
#include "content/player_state.h"
#include "graphics/device_frame_graphics.h"
#include "graphics/font_layout.h"
#include "graphics/graphics_device.h"
#include "graphics/gui_renderer.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/os/platform.h"
#include "scenes/player/main_scene.h"

namespace {

namespace fs = std::filesystem;

// Ten seconds of a bass drum twice a second over a chord, as a 16-bit stereo WAV in memory.
std::vector<std::uint8_t> BeatWav() {
  const int rate = 44100, frames = rate * 10;
  std::vector<std::uint8_t> bytes;
  auto put = [&](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
  };
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  put(36 + frames * 4, 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4), put(1, 2), put(2, 2), put(rate, 4), put(rate * 4, 4), put(4, 2), put(16, 2);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  put(frames * 4, 4);
  for (int i = 0; i < frames; ++i) {
    double t = double(i) / rate, beat = std::fmod(t, 0.5);
    double kick = beat < 0.15 ? std::sin(2 * M_PI * 60 * beat) * (1 - beat / 0.15) : 0.0;
    double chord = 0.1 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 1320 * t) +
                          std::sin(2 * M_PI * 5000 * t));
    auto sample = std::int16_t(20000 * (0.7 * kick + chord));
    put(std::uint16_t(sample), 2);
    put(std::uint16_t(sample), 2);
  }
  return bytes;
}

// The device, the renderer, the title atlas, the offline output and a player state with one
// playing song, as the global initialization would leave them.
class Stage {
 public:
  Stage() {
    std::string error;
    platform_ = os::Platform::Open(true, &error);
    os::SetBatchMode(true);
    os::SetDataFolder(std::string(ORVELL_SOURCE_DIR) + "/data");
    d3d9::UseRecordingDevice(true);
    graphics_.CreateDevice(1024, 768, 60, 0);
    graphics_.CreateRenderer();
    IDirect3DDevice9* device = GraphicsDevice::Existing()->device;
    if (device) {
      D3DXCreateTextureFromFileW(device, "data/tit.png", &PlayerState::Instance()->titleAtlas);
    }
    UseDiskTitleAtlas();
    wav_ = (fs::temp_directory_path() / "orvell-bench-player.wav").string();
    bass::UseOfflineOutput(wav_);
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    song_ = BeatWav();

    PlayerState* player = PlayerState::Instance();
    player->songCount = 1;
    player->songs.assign(1, Song{});
    Song& song = player->songs[0];
    song.handle = BASS_StreamCreateFile(TRUE, song_.data(), 0, song_.size(), 0);
    song.title = "A benchmark title that is far too long for its box";
    song.titleWidth = MeasureTextLine(song.title, 0.05f);
    song.infoText =
        "The information text of the song, long enough to wrap over several lines of the "
        "narrow panel and to keep the scroller busy.";
    song.infoHeight = MeasureTextBox(song.infoText, 0.05f, 0.3f);
    player->creditsText =
        "Code\nSomeone\n\nMusic\nSomeone else\n\nPictures\nA third person\n\nThanks to "
        "everyone who listened to the first versions and said what they heard.\n";
    player->creditsHeight = MeasureTextBox(player->creditsText, 0.033f, 0.75f);
    player->volumeStep = 10;
    BASS_ChannelPlay(song.handle, FALSE);
    player->playing = true;

    scene_ = std::make_unique<MainScene>();
    scene_->Start();
    scene_->fade = 1.0f;
    scene_->fadingIn = false;
  }
  ~Stage() {
    scene_.reset();
    BASS_Free();
    ReleaseAndClear(PlayerState::Instance()->titleAtlas);
    PlayerState::Destroy();
    graphics_.Destroy();
    FrameTimer::Destroy();
    d3d9::UseRecordingDevice(false);
    fs::remove(wav_);
  }
  bool Ready() const { return GraphicsDevice::Existing() && GraphicsDevice::Existing()->device; }

  // What the frame loop does around the scene's update: the sound of the pass, the timer's step
  // and an emptied queue (the renderer's draw is measured by bench_graphics).
  void BetweenFrames() {
    bass::RenderOfflineFrames(882);
    FrameTimer* timer = FrameTimer::Instance();
    timer->deltaSeconds = 0.02f;
    timer->totalSeconds += 0.02f;
    GuiRenderer::Instance()->DiscardQueued();
  }

  MainScene& Scene() { return *scene_; }

 private:
  std::unique_ptr<os::Platform> platform_;
  DeviceFrameGraphics graphics_;
  std::string wav_;
  std::vector<std::uint8_t> song_;
  std::unique_ptr<MainScene> scene_;
};

// panelState is held at the given state and transition each frame so that it does not move on.
void RunFrames(benchmark::State& state, int panelState, float transition) {
  Stage stage;
  if (!stage.Ready()) {
    state.SkipWithError("no recording device");
    return;
  }
  std::size_t quads = 0, meshes = 0, analyzerRuns = 0;
  stage.Scene().analyzer->onRun = [&analyzerRuns](const SpectrumAnalyzer&) { ++analyzerRuns; };
  for (auto _ : state) {
    state.PauseTiming();
    stage.BetweenFrames();
    stage.Scene().overlayPanels.panelState = panelState;
    stage.Scene().overlayPanels.panelTransition = transition;
    state.ResumeTiming();
    stage.Scene().Update();
    state.PauseTiming();
    quads += GuiRenderer::Instance()->QueuedQuads().size();
    meshes += GuiRenderer::Instance()->QueuedMeshes().size();
    state.ResumeTiming();
  }
  double frames = double(state.iterations());
  state.counters["quads"] = double(quads) / frames;
  state.counters["meshes"] = double(meshes) / frames;
  state.counters["analyzer"] = double(analyzerRuns) / frames;
}

// Everything at once: the equalizer's 192 cells, the six spots, the cube, the credits text over
// the opening credits panel, the information scroller and the title marquee.
void BM_PlayerFrameVisualizersAndCredits(benchmark::State& state) {
  RunFrames(state, 4, 0.5f);
}
BENCHMARK(BM_PlayerFrameVisualizersAndCredits)->Unit(benchmark::kMicrosecond);

// No panel: the visualizers without the credits.
void BM_PlayerFrameNoPanel(benchmark::State& state) {
  RunFrames(state, 0, 1.0f);
}
BENCHMARK(BM_PlayerFrameNoPanel)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
