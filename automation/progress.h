// How far an offline run has got: on a terminal, one line on stderr redrawn a few times a second
// with the show time done, the total when it is known, a bar, the frames made per second and the
// time left; at the end, on a terminal or not, one line naming what was written and its length.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>

class Progress {
 public:
  // The show's expected length in seconds, given the show time so far; none while unknown.
  using Total = std::function<std::optional<double>(double showSeconds)>;

  // Draws the live line only when out is a terminal.
  Progress(std::FILE* out, bool terminal, Total total);

  // After every pass; passes counts the passes done, 20 ms of show each.
  void Pass(std::uint64_t passes);
  // Replaces the live line with the closing one: "orvell: wrote WHAT (M:SS.ss, N frames)".
  void Close(const std::string& written, std::uint64_t passes);

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(std::uint64_t passes, Clock::time_point now);

  std::FILE* out_;
  bool terminal_;
  Total total_;
  std::optional<Clock::time_point> drawn_;
  // Recent (time, passes) pairs: the frame rate over the last few seconds.
  std::deque<std::pair<Clock::time_point, std::uint64_t>> recent_;
};

// The live line, without the carriage return: show time done, "/ total", a bar of `barWidth`
// cells with the percentage, the frames per second and the time left, each part only when known.
std::string ProgressLine(double doneSeconds, std::optional<double> totalSeconds,
                         std::optional<double> framesPerSecond, int barWidth);

// "M:SS" (or "H:MM:SS"), with hundredths when asked.
std::string ShowTime(double seconds, bool hundredths);
