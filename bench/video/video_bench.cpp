// How fast a video of the player is made: the program's --video run beside a record run of the
// same frames that keeps none of them (only its first frame and the sound, a few kilobytes a
// pass), one after the other in each iteration so that both see the same machine. Reports each
// run's mean wall and CPU time, how many times real time each ran, and how much slower the video
// is: the median over the iterations (a shared machine's speed drifts by more than the
// difference measured from one minute to the next) and the least and most.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/audio/child_process.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kShowSeconds = 20;  // of the player, after skipping the intro at once

double Seconds(const timeval& time) {
  return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

struct Timing {
  double wall = 0;
  double cpu = 0;
};

// Runs orvell with the show's common arguments and the output ones; false when it failed.
bool Run(const std::string& mode, std::vector<std::string> output, Timing* timing) {
  const fs::path script = bench_audio::ScratchFolder() / "skip.txt";
  if (!fs::exists(script)) std::ofstream(script) << "0.1 key press ESCAPE\n";
  std::vector<std::string> args = {ORVELL_EXECUTABLE,
                                   "--data",
                                   ORVELL_DATA_DIR,
                                   "--mode",
                                   mode,
                                   "--seed",
                                   "1",
                                   "--duration",
                                   std::to_string(kShowSeconds),
                                   "--script",
                                   script.string()};
  args.insert(args.end(), output.begin(), output.end());
  Clock::time_point start = Clock::now();
  pid_t child = bench_audio::Spawn(args);
  rusage usage{};
  if (child == 0 || !bench_audio::Wait(child, &usage)) return false;
  timing->wall += std::chrono::duration<double>(Clock::now() - start).count();
  timing->cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return true;
}

void VideoBesideRecord(benchmark::State& state, const std::string& mode) {
  const fs::path folder = bench_audio::ScratchFolder() / mode;
  Timing record, video;
  std::vector<double> slower;
  for (auto _ : state) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    Timing recordOne, videoOne;
    if (!Run(mode, {"--record", (folder / "record").string(), "--record-every", "1000000000"},
             &recordOne) ||
        !Run(mode, {"--video", (folder / "show.mp4").string()}, &videoOne)) {
      state.SkipWithError("orvell failed");
      break;
    }
    state.SetIterationTime(videoOne.wall);
    slower.push_back((videoOne.wall / recordOne.wall - 1) * 100);
    for (auto [sum, one] : {std::pair{&record, recordOne}, std::pair{&video, videoOne}}) {
      sum->wall += one.wall;
      sum->cpu += one.cpu;
    }
  }
  if (slower.empty()) return;
  std::sort(slower.begin(), slower.end());
  const double runs = double(state.iterations());
  state.counters["record_wall_s"] = record.wall / runs;
  state.counters["video_wall_s"] = video.wall / runs;
  state.counters["record_cpu_s"] = record.cpu / runs;
  state.counters["video_cpu_s"] = video.cpu / runs;
  state.counters["record_x_realtime"] = kShowSeconds * runs / record.wall;
  state.counters["video_x_realtime"] = kShowSeconds * runs / video.wall;
  const std::size_t middle = slower.size() / 2;
  state.counters["video_slower_pct"] =
      slower.size() % 2 ? slower[middle] : (slower[middle - 1] + slower[middle]) / 2;
  state.counters["least_slower_pct"] = slower.front();
  state.counters["most_slower_pct"] = slower.back();
}

BENCHMARK_CAPTURE(VideoBesideRecord, 1024x768, std::string("1024x768"))
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(VideoBesideRecord, 1920x1080, std::string("1920x1080"))
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
