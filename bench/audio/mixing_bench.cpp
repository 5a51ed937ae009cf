// What mixing a module costs: 60 seconds of each module of the disk rendered pass by pass through
// our engine's offline output, as record mode does, beside openmpt123 rendering the same file with
// the same mixing, both in CPU seconds and measured in the same run. The counters give each per
// 60 seconds of sound and their ratio, the engine's cost over libopenmpt's own.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/audio/child_process.h"
#include "content/global_initialization_scene.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"

namespace {

namespace fs = std::filesystem;
using bench_audio::ScratchFolder;

constexpr unsigned kPassFrames = 882;  // 20 ms, one pass of the show
constexpr unsigned kPasses = 3000;     // 60 s
constexpr double kRate = 44100;
constexpr double kFrameBytes = 2 * sizeof(float);

double Seconds(const timeval& t) {
  return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

double ProcessCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The engine's CPU seconds for kPasses passes of the module, which starts over when it ends;
// loading is not counted, so that only mixing and writing are. -1 when it does not load.
double EngineSeconds(const std::string& module) {
  bass::UseOfflineOutput((ScratchFolder() / "engine.wav").string());
  BASS_Init(-1, 44100, 0, nullptr, nullptr);
  HMUSIC music = BASS_MusicLoad(FALSE, module.c_str(), 0, 0, ModuleLoadFlags(module), 0);
  double spent = -1;
  if (music != 0) {
    BASS_ChannelPlay(music, FALSE);
    double start = ProcessCpuSeconds();
    for (unsigned pass = 0; pass < kPasses; ++pass) {
      bass::RenderOfflineFrames(kPassFrames);
      if (BASS_ChannelIsActive(music) != BASS_ACTIVE_PLAYING) BASS_ChannelPlay(music, TRUE);
    }
    spent = ProcessCpuSeconds() - start;
  }
  BASS_Free();
  return spent;
}

// openmpt123's user and system CPU seconds to render the module with extra arguments; the
// seconds of sound it wrote go to soundSeconds. -1 when it fails.
double Openmpt123Seconds(const fs::path& module, std::vector<std::string> extra,
                         double* soundSeconds) {
  pid_t child = bench_audio::Spawn(bench_audio::Openmpt123Render(module, std::move(extra)));
  rusage usage{};
  if (child == 0 || !bench_audio::Wait(child, &usage)) return -1;
  *soundSeconds = double(fs::file_size(module.string() + ".wav")) / kFrameBytes / kRate;
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

void MixingVsOpenmpt123(benchmark::State& state, const char* file) {
  fs::path source = fs::path(ORVELL_DATA_DIR) / "music" / file;
  // openmpt123 writes its WAV beside the module: give it a copy in the scratch folder.
  fs::path copy = ScratchFolder() / file;
  fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
  double engine = 0, whole = 0, start = 0, wholeSound = 0, startSound = 0;
  for (auto _ : state) {
    double seconds = 0, sound = 0;
    double ours = EngineSeconds(source.string());
    // Twice through the song, about 60 s; and a single pass's worth, whose cost is openmpt123's
    // start-up and loading, taken off so that both sides count mixing and writing alone.
    double theirs = Openmpt123Seconds(copy, {"--repeat", "1"}, &seconds);
    double fixed = Openmpt123Seconds(copy, {"--end-time", "0.02"}, &sound);
    if (ours < 0 || theirs < 0 || fixed < 0) {
      state.SkipWithError("the module does not load, or openmpt123 failed (tools/install-deps.sh)");
      break;
    }
    engine += ours;
    whole += theirs;
    start += fixed;
    wholeSound += seconds;
    startSound += sound;
  }
  if (state.error_occurred()) return;
  double runs = double(state.iterations());
  double oursPer60 = engine / runs;  // exactly 60 s each
  double theirsPer60 = (whole - start) / (wholeSound - startSound) * 60.0;
  state.counters["orvell_cpu_s"] = oursPer60;
  state.counters["openmpt123_cpu_s"] = theirsPer60;
  state.counters["openmpt123_startup_cpu_s"] = start / runs;
  state.counters["ratio"] = oursPer60 / theirsPer60;
}
BENCHMARK_CAPTURE(MixingVsOpenmpt123, first_light_mod_4ch, "first_light.mod")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MixingVsOpenmpt123, copper_bars_XM_8ch, "copper_bars.XM")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MixingVsOpenmpt123, eight_channel_sunday_mod_8ch, "eight_channel_sunday.mod")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MixingVsOpenmpt123, night_tram_xm_6ch, "night_tram.XM")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
