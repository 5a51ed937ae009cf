// How soon the disk is heard: the wall time from starting the program in record mode to the first
// frames of song 0 reaching its output file, the part of it that loading takes (the global
// initialization on the recording device, then one pass of mixing), and beside them the time
// openmpt123 takes to render the start of the same song on its own.
#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "bench/audio/child_process.h"
#include "content/global_initialization_scene.h"
#include "content/player_state.h"
#include "graphics/graphics_device.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"
#include "platform/d3d9/recording_device.h"
#include "platform/os/platform.h"

namespace {

namespace fs = std::filesystem;
using bench_audio::ScratchFolder;
using Clock = std::chrono::steady_clock;

constexpr std::uintmax_t kWavHeaderBytes = 58;  // the offline output's header, before any frame
constexpr unsigned kPassFrames = 882;
constexpr double kPatienceSeconds = 30;  // for the first frames before calling the run failed

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The program as a person would start it in record mode, with the disk of this checkout: the
// time until its audio file holds more than a header, which is when the first pass has handed
// song 0's first frames to the output, and the time until it has ended after a tenth of a second
// of show.
void OrvellToFirstSample(benchmark::State& state) {
  fs::path out = ScratchFolder() / "record";
  double exited = 0;
  for (auto _ : state) {
    fs::remove_all(out);
    Clock::time_point start = Clock::now();
    pid_t child = bench_audio::Spawn({ORVELL_EXECUTABLE, "--record", out.string(), "--duration",
                                      "0.1", "--record-every", "1000", "--data", ORVELL_DATA_DIR});
    if (child == 0) {
      state.SkipWithError("cannot start orvell");
      break;
    }
    // Polls every 100 us, which takes little of a core from the program.
    auto heard = [&out] {
      std::error_code error;
      std::uintmax_t bytes = fs::file_size(out / "audio.wav", error);
      return !error && bytes > kWavHeaderBytes;
    };
    int status = 0;
    bool ended = false;
    while (!heard() && !ended && Since(start) < kPatienceSeconds) {
      ended = waitpid(child, &status, WNOHANG) == child;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    state.SetIterationTime(Since(start));
    if (!ended && !heard()) kill(child, SIGKILL);
    ended = ended || waitpid(child, &status, 0) == child;
    if (!heard() || !ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("orvell failed, or wrote no audio");
      break;
    }
    exited += Since(start);
  }
  state.counters["exit_s"] = exited / double(state.iterations());
}
BENCHMARK(OrvellToFirstSample)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// openmpt123 rendering song 0 on its own, from its start to its exit: one pass (20 ms) and one
// second of sound.
void Openmpt123Start(benchmark::State& state, const char* seconds) {
  fs::path copy = ScratchFolder() / "first_light.mod";  // its WAV is written beside it
  fs::copy_file(fs::path(ORVELL_DATA_DIR) / "music" / "first_light.mod", copy,
                fs::copy_options::overwrite_existing);
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    pid_t child = bench_audio::Spawn(bench_audio::Openmpt123Render(copy, {"--end-time", seconds}));
    if (child == 0 || !bench_audio::Wait(child)) {
      state.SkipWithError("openmpt123 failed (tools/install-deps.sh installs it)");
      break;
    }
    state.SetIterationTime(Since(start));
  }
}
BENCHMARK_CAPTURE(Openmpt123Start, pass_20ms, "0.02")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Openmpt123Start, first_second, "1")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// Inside the program: the global initialization (pictures, disk.cfg, every song loaded, song 0
// started) on the recording device, then the first pass of mixing, as the start-up runs them
// once the window and the device exist.
void LoadAndFirstPass(benchmark::State& state) {
  std::string error;
  std::unique_ptr<os::Platform> platform = os::Platform::Open(true, &error);
  if (!platform) {
    state.SkipWithError(error.c_str());
    return;
  }
  os::SetBatchMode(true);
  os::SetDataFolder(ORVELL_DATA_DIR);
  d3d9::UseRecordingDevice(true);
  GraphicsDevice::Instance(1024, 768, 60, 0);
  for (auto _ : state) {
    bass::UseOfflineOutput((ScratchFolder() / "load.wav").string());
    Clock::time_point start = Clock::now();
    auto scene = std::make_unique<GlobalInitializationScene>();
    bass::RenderOfflineFrames(kPassFrames);
    state.SetIterationTime(Since(start));
    bool loaded = PlayerState::Instance()->songCount > 0;
    scene.reset();
    PlayerState::Destroy();
    if (!loaded) {
      state.SkipWithError("no songs in disk.cfg");
      break;
    }
  }
  GraphicsDevice::Destroy();
  d3d9::UseRecordingDevice(false);
  os::SetBatchMode(false);
}
BENCHMARK(LoadAndFirstPass)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
