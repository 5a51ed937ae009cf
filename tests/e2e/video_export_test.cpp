// The real program's offline runs end to end: the video files of a click-track disk read back
// with ffprobe and ffmpeg, the play-through to the quit after the last song, and the progress
// line on a terminal and off it.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/platform/bass/media.h"
#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kWidth = 640, kHeight = 480;
constexpr int kPasses = 200;            // four seconds
constexpr double kClickSeconds = 1.49;  // the player's analyzer samples at 1.5 s
constexpr double kClickSongSeconds = 4.0;
constexpr double kLastSongSeconds = 0.6;

// A burst of 30 ms that every band of the analyzer hears, after silence.
std::vector<std::int16_t> ClickTrack(double seconds, double clickAt) {
  std::vector<std::int16_t> stereo(std::size_t(seconds * kRate) * 2, 0);
  const std::size_t start = std::size_t(std::lround(clickAt * kRate));
  for (std::size_t i = 0; i < 1323 && start + i < stereo.size() / 2; ++i) {
    auto value = std::int16_t(30000 * std::exp(-double(i) / 400) * ((i / 3) % 2 ? -1 : 1));
    stereo[2 * (start + i)] = stereo[2 * (start + i) + 1] = value;
  }
  return stereo;
}

// The demo disk's pictures with three songs: the click track, one that fails to load and a
// short silent one.
std::string MakeClickDisk() {
  const fs::path disk = FreshDiskWithDemoPictures("disk");
  bass_test::WriteFile(
      (disk / "music/click.wav").string(),
      bass_test::MakeWav16(kRate, 2, ClickTrack(kClickSongSeconds, kClickSeconds)));
  bass_test::WriteFile((disk / "music/last.wav").string(),
                       bass_test::MakeWav16(kRate, 2, ClickTrack(kLastSongSeconds, 99)));
  std::ofstream config(disk / "disk.cfg", std::ios::binary);
  config << "3\nstream\nclick.wav\nClick\nOne click.\nstream\nmissing.wav\nMissing\nNot there.\n"
            "stream\nlast.wav\nLast\nSilence.\nCredits\n";
  return disk.string();
}

// Standard output of a shell command, bytes as they come.
std::string Output(const std::string& command) {
  std::string bytes;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return bytes;
  char block[1 << 16];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;) {
    bytes.append(block, got);
  }
  pclose(pipe);
  return bytes;
}

template <class T>
std::vector<T> Samples(const std::string& bytes) {
  std::vector<T> values(bytes.size() / sizeof(T));
  std::memcpy(values.data(), bytes.data(), values.size() * sizeof(T));
  return values;
}

std::string Probe(const std::string& file, const std::string& stream, const std::string& entries) {
  return Output("ffprobe -v error -count_frames -select_streams " + stream +
                " -show_entries stream=" + entries + " -of default=nw=1 '" + file + "'");
}

// Decoded pictures as RGB, one vector per frame.
std::vector<std::vector<std::uint8_t>> Pictures(const std::string& file) {
  std::string bytes = Output("ffmpeg -v error -i '" + file + "' -f rawvideo -pix_fmt rgb24 -");
  const std::size_t size = std::size_t(kWidth) * kHeight * 3;
  std::vector<std::vector<std::uint8_t>> pictures;
  for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
    pictures.emplace_back(bytes.begin() + std::ptrdiff_t(at),
                          bytes.begin() + std::ptrdiff_t(at + size));
  }
  return pictures;
}

double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double squares = 0;
  for (std::size_t i = 0; i < a.size(); ++i) squares += std::pow(double(a[i]) - double(b[i]), 2);
  return 10 * std::log10(255.0 * 255.0 / (squares / double(a.size())));
}

double Difference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(double(a[i]) - double(b[i]));
  return sum;
}

// The disk and the skip script, made by the first test that needs them.
struct Stage {
  std::string disk = MakeClickDisk();
  std::string out = FreshFolder("out");
  std::string skip = out + "/skip.txt";
  Stage() { std::ofstream(skip) << "0.1 key press ESCAPE\n"; }
};
const Stage& Shared() {
  static const Stage stage;
  return stage;
}

// Four seconds of the player as a record run or a video run.
ProgramRun RunClicks(const std::vector<std::string>& output) {
  const std::string mode = std::to_string(kWidth) + "x" + std::to_string(kHeight);
  std::vector<std::string> arguments = {"--data",     Shared().disk, "--mode",   mode,
                                        "--duration", "4",           "--script", Shared().skip};
  arguments.insert(arguments.end(), output.begin(), output.end());
  return RunOrvell(arguments, "env -u DISPLAY -u WAYLAND_DISPLAY");
}

TEST(VideoExport, FilesHoldThePassesPicturesAndSoundInStep) {
  const std::string record = Shared().out + "/record";
  ASSERT_EQ(RunClicks({"--record", record, "--record-every", "50"}).exitStatus, 0);
  bass_test::WavContents wav = bass_test::ReadFloatWav(record + "/audio.wav");
  ASSERT_TRUE(wav.valid);
  ASSERT_EQ(wav.samples.size(), std::size_t(kPasses) * 882 * 2);
  std::vector<std::uint8_t> png = Samples<std::uint8_t>(
      Output("ffmpeg -v error -i '" + record + "/frame-000100.png' -f rawvideo -pix_fmt rgb24 -"));

  for (std::string kind : {"mkv", "mp4"}) {
    SCOPED_TRACE(kind);
    const std::string file = Shared().out + "/show." + kind;
    ProgramRun run = RunClicks({"--video", file});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::string closing = "orvell: wrote " + file + " (0:04.00, 200 frames)\n";
    EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), closing.size())), closing);
    EXPECT_EQ(Probe(file, "v", "codec_name,pix_fmt,avg_frame_rate,nb_read_frames"),
              "codec_name=h264\npix_fmt=yuv420p\navg_frame_rate=50/1\nnb_read_frames=200\n");
    EXPECT_EQ(Probe(file, "a", "codec_name,sample_rate,channels"),
              std::string("codec_name=") + (kind == "mp4" ? "aac" : "flac") +
                  "\nsample_rate=44100\nchannels=2\n");

    auto pictures = Pictures(file);
    ASSERT_EQ(pictures.size(), std::size_t(kPasses));
    EXPECT_GE(Psnr(pictures[100], png), 40.0);

    if (kind == "mkv") {
      // Lossless at 24 bits: every sample as the WAV's, rounded to 24 bits.
      auto flac = Samples<std::int32_t>(Output("ffmpeg -v error -i '" + file + "' -f s32le -"));
      ASSERT_EQ(flac.size(), wav.samples.size());
      std::size_t mismatches = 0;
      for (std::size_t i = 0; i < flac.size(); ++i) {
        long expected = std::lrint(double(wav.samples[i]) * 8388608.0);
        expected = std::min(std::max(expected, -8388608L), 8388607L) * 256;
        mismatches += flac[i] != expected;
      }
      EXPECT_EQ(mismatches, 0u);
    } else {
      // The encoder's priming is cut by the edit list: the sound lines up with no offset, and
      // the track is as long as the WAV however the last frame was padded.
      EXPECT_EQ(Probe(file, "a", "duration_ts"),
                "duration_ts=" + std::to_string(kPasses * 882) + "\n");
      auto aac = Samples<float>(Output("ffmpeg -v error -i '" + file + "' -f f32le -"));
      ASSERT_GE(aac.size(), wav.samples.size());
      auto error = [&](int offset) {
        double sum = 0;
        for (std::size_t i = 4000; i + 4000 < wav.samples.size(); i += 2) {
          sum += std::pow(
              double(aac[std::size_t(std::ptrdiff_t(i) + 2 * offset)]) - double(wav.samples[i]), 2);
        }
        return sum;
      };
      for (int offset : {-64, -8, -2, -1, 1, 2, 8, 64})
        EXPECT_LT(error(0), error(offset)) << offset;
    }

    // The click starts in the decoded sound at some sample; the picture changes most in the frame
    // that shows the beat, which is within one pass of it.
    auto sound = Samples<float>(Output("ffmpeg -v error -i '" + file + "' -f f32le -"));
    std::size_t click = 0;
    while (click * 2 < sound.size() && std::abs(sound[click * 2]) < 0.2f) ++click;
    EXPECT_NEAR(double(click), kClickSeconds * kRate, 4.0);
    const double clickPass = double(click) / 882.0;
    std::size_t beat = 0;
    double most = 0;
    for (std::size_t n = std::size_t(clickPass) - 10; n < std::size_t(clickPass) + 10; ++n) {
      double change = Difference(pictures[n], pictures[n - 1]);
      if (change > most) most = change, beat = n;
    }
    EXPECT_NEAR(double(beat), clickPass, 1.0);
  }

  ProgramRun other = RunClicks({"--video", Shared().out + "/show.avi"});
  EXPECT_EQ(other.exitStatus, 1);
  EXPECT_NE(other.err.find("neither .mp4 (H.264 and AAC) nor .mkv (H.264 and FLAC)"),
            std::string::npos)
      << other.err;
}

TEST(VideoExport, PlayThroughQuitsWithTheFadeAfterTheLastSong) {
  const std::string record = Shared().out + "/through";
  ProgramRun run =
      RunOrvell({"--data", Shared().disk, "--mode", "160x120", "--play-through", "--record", record,
                 "--record-every", "100000", "--script", Shared().skip, "--trace",
                 Shared().out + "/through.jsonl", "--duration", "60"},
                "env -u DISPLAY -u WAYLAND_DISPLAY");
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  auto lines = ReadLines(Shared().out + "/through.jsonl");
  // The click track, then the missing song skipped at once, the last song and the fade.
  const double lastEnds = kClickSongSeconds + kLastSongSeconds;
  ASSERT_GT(lines.size(), std::size_t(std::lround((lastEnds + 1.0) / 0.02)));
  ASSERT_LT(lines.size(), std::size_t(std::lround((lastEnds + 1.2) / 0.02)));
  int song = 0;
  for (const auto& line : lines) {
    int current = int(JsonNumber(line, "currentSong"));
    ASSERT_GE(current, song) << "no song plays twice: " << line.substr(0, 40);
    song = current;
  }
  EXPECT_EQ(song, 2);
  // Fading for the last second, with the sound pulled down along, and nothing active at the end.
  const std::string& fading = lines[lines.size() - 26];
  EXPECT_NEAR(TracedScenes(fading)[5].fade, 0.5, 0.05);
  EXPECT_LT(JsonNumber(fading, "volume"), 60);
  for (const auto& scene : TracedScenes(lines.back())) EXPECT_FALSE(scene.active);
}

TEST(VideoExport, ProgressIsALiveLineOnATerminalAndOnlyTheClosingLineElsewhere) {
  const std::string record = Shared().out + "/progress";
  std::vector<std::string> arguments = {ORVELL_EXECUTABLE,
                                        "--data",
                                        std::string(ORVELL_SOURCE_DIR) + "/data",
                                        "--mode",
                                        "160x120",
                                        "--record",
                                        record,
                                        "--record-every",
                                        "100000",
                                        "--duration",
                                        "3"};
  int terminal = -1;
  pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    unsetenv("DISPLAY");
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string shown;
  char block[4096];
  for (ssize_t got; (got = read(terminal, block, sizeof block)) > 0;)
    shown.append(block, std::size_t(got));
  int status = 0;
  waitpid(child, &status, 0);
  close(terminal);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  // At least the first pass's line: time done, the total, the bar; then the line is cleared for
  // the closing one.
  EXPECT_TRUE(std::regex_search(shown, std::regex("\r0:00 / 0:03 \\[-+\\]   0%"))) << shown;
  const std::string closing = "\r\x1b[Korvell: wrote " + record + " (0:03.00, 150 frames)\r\n";
  ASSERT_GE(shown.size(), closing.size());
  EXPECT_EQ(shown.substr(shown.size() - closing.size()), closing);

  ProgramRun piped =
      RunOrvell(std::vector<std::string>(arguments.begin() + 1, arguments.end()), "env -u DISPLAY");
  ASSERT_EQ(piped.exitStatus, 0);
  EXPECT_EQ(piped.err, "orvell: wrote " + record + " (0:03.00, 150 frames)\n");
}

}  // namespace
