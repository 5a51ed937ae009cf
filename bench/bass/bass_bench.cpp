// What the audio layer costs the main thread: opening a stream (which must not grow with the
// stream's length), rendering one 20 ms pass offline, reading the spectrum, and resampling.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"
#include "platform/bass/resampler.h"
#include "platform/bass/sound_file_writer.h"

namespace {

namespace fs = std::filesystem;

std::vector<float> Music(int rate, int seconds) {
  std::vector<float> samples(size_t(rate) * size_t(seconds) * 2);
  for (size_t i = 0; i < samples.size(); i += 2) {
    double t = double(i / 2) / rate;
    samples[i] = float(0.3 * std::sin(2 * M_PI * 220 * t) + 0.1 * std::sin(2 * M_PI * 3520 * t));
    samples[i + 1] = float(0.3 * std::sin(2 * M_PI * 330 * t));
  }
  return samples;
}

// Files made once per run, in a scratch folder removed at exit.
class Files {
 public:
  ~Files() { fs::remove_all(folder_); }
  const std::string& Get(bass::SoundFileType type, const char* extension, int rate, int seconds) {
    std::string name = std::to_string(seconds) + "s-" + std::to_string(rate) + "." + extension;
    auto found = paths_.find(name);
    if (found != paths_.end()) return found->second;
    std::string path = (folder_ / name).string();
    bass::WriteSoundFile(path, type, rate, 2, Music(rate, seconds));
    return paths_[name] = path;
  }

 private:
  fs::path folder_ = [] {
    fs::path folder = fs::temp_directory_path() / "orvell-bench-bass";
    fs::create_directories(folder);
    return folder;
  }();
  std::map<std::string, std::string> paths_;
};

Files& TestFiles() {
  static Files files;
  return files;
}

// Offline output into the void, so that a long run does not fill the disk.
struct OfflineSession {
  OfflineSession() {
    bass::UseOfflineOutput("/dev/null");
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
  }
  ~OfflineSession() { BASS_Free(); }
};

void OpenStream(benchmark::State& state, bass::SoundFileType type, const char* extension) {
  const std::string& path = TestFiles().Get(type, extension, 44100, int(state.range(0)));
  OfflineSession session;
  for (auto _ : state) {
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    if (stream == 0) state.SkipWithError("cannot open");
    BASS_MusicFree(stream);
  }
}
BENCHMARK_CAPTURE(OpenStream, Flac, bass::SoundFileType::kFlac, "flac")
    ->Arg(10)
    ->Arg(600)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenStream, Vorbis, bass::SoundFileType::kOggVorbis, "ogg")
    ->Arg(10)
    ->Arg(600)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenStream, Mp3, bass::SoundFileType::kMp3, "mp3")
    ->Arg(10)
    ->Arg(600)
    ->Unit(benchmark::kMicrosecond);

// One pass of record mode: 882 frames of a playing stream, decoded, resampled when its rate is
// not 44100, mixed and written.
void RenderPass(benchmark::State& state, bass::SoundFileType type, const char* extension,
                int rate) {
  const std::string& path = TestFiles().Get(type, extension, rate, 10);
  OfflineSession session;
  HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
  BASS_ChannelPlay(stream, FALSE);
  for (auto _ : state) {
    bass::RenderOfflineFrames(882);
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_PLAYING) {
      state.PauseTiming();
      BASS_ChannelPlay(stream, TRUE);
      state.ResumeTiming();
    }
  }
}
BENCHMARK_CAPTURE(RenderPass, Wav44100, bass::SoundFileType::kWav16, "wav", 44100)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RenderPass, Wav48000, bass::SoundFileType::kWav16, "wav", 48000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RenderPass, Vorbis44100, bass::SoundFileType::kOggVorbis, "ogg", 44100)
    ->Unit(benchmark::kMicrosecond);

void ChannelGetData(benchmark::State& state) {
  const std::string& path = TestFiles().Get(bass::SoundFileType::kWav16, "wav", 44100, 10);
  OfflineSession session;
  HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
  BASS_ChannelPlay(stream, FALSE);
  bass::RenderOfflineFrames(882);
  float spectrum[256];
  for (auto _ : state) {
    BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT512);
    benchmark::DoNotOptimize(spectrum);
  }
}
BENCHMARK(ChannelGetData)->Unit(benchmark::kMicrosecond);

// One second of 48 kHz sound brought to 44.1 kHz.
void ResampleOneSecond(benchmark::State& state) {
  std::vector<float> input = Music(48000, 1);
  std::vector<float> output(2 * 1024);
  for (auto _ : state) {
    bass::Resampler resampler(48000, 44100);
    size_t fed = 0;
    while (!resampler.Ended()) {
      fed += resampler.Push(&input[2 * fed], std::min<size_t>(1024, 48000 - fed));
      if (fed == 48000) resampler.Finish();
      while (resampler.Pull(output.data(), 1024) > 0) benchmark::DoNotOptimize(output.data());
    }
  }
}
BENCHMARK(ResampleOneSecond)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
