// The progress line and the closing line of offline runs.
#include "automation/progress.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSecondsPerPass = 0.02;
constexpr auto kRedraw = std::chrono::milliseconds(250);
constexpr auto kRateWindow = std::chrono::seconds(3);
constexpr int kBarWidth = 24;

}  // namespace

std::string ShowTime(double seconds, bool hundredths) {
  seconds = std::max(seconds, 0.0);
  const long whole = hundredths ? long(seconds) : std::lround(seconds);
  const long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
  char text[48];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", hours, minutes, rest);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", minutes, rest);
  }
  std::string shown = text;
  if (hundredths) {
    std::snprintf(text, sizeof text, ".%02d",
                  std::min(99, int(std::lround((seconds - double(whole)) * 100.0))));
    shown += text;
  }
  return shown;
}

std::string ProgressLine(double doneSeconds, std::optional<double> totalSeconds,
                         std::optional<double> framesPerSecond, int barWidth) {
  std::string line = ShowTime(doneSeconds, false);
  char text[64];
  if (totalSeconds && *totalSeconds > 0) {
    const double share = std::clamp(doneSeconds / *totalSeconds, 0.0, 1.0);
    const int filled = int(share * barWidth);
    line += " / " + ShowTime(*totalSeconds, false) + " [" + std::string(std::size_t(filled), '#') +
            std::string(std::size_t(barWidth - filled), '-') + "]";
    std::snprintf(text, sizeof text, " %3d%%", int(share * 100.0));
    line += text;
  }
  if (framesPerSecond && *framesPerSecond > 0) {
    std::snprintf(text, sizeof text, "  %.1f fps", *framesPerSecond);
    line += text;
    if (totalSeconds && *totalSeconds > doneSeconds) {
      const double left = (*totalSeconds - doneSeconds) / kSecondsPerPass / *framesPerSecond;
      line += "  " + ShowTime(left, false) + " left";
    }
  }
  return line;
}

Progress::Progress(std::FILE* out, bool terminal, Total total)
    : out_(out), terminal_(terminal), total_(std::move(total)) {}

void Progress::Pass(std::uint64_t passes) {
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  recent_.emplace_back(now, passes);
  while (recent_.size() > 2 && now - recent_.front().first > kRateWindow) recent_.pop_front();
  if (drawn_ && now - *drawn_ < kRedraw) return;
  drawn_ = now;
  Draw(passes, now);
}

void Progress::Draw(std::uint64_t passes, Clock::time_point now) {
  const double done = double(passes) * kSecondsPerPass;
  std::optional<double> rate;
  const double span = std::chrono::duration<double>(now - recent_.front().first).count();
  if (span > 0) rate = double(passes - recent_.front().second) / span;
  std::optional<double> total = total_ ? total_(done) : std::nullopt;
  // Clears to the end of the line, in case the line got shorter.
  std::fprintf(out_, "\r%s\x1b[K", ProgressLine(done, total, rate, kBarWidth).c_str());
  std::fflush(out_);
}

void Progress::Close(const std::string& written, std::uint64_t passes) {
  if (terminal_ && drawn_) std::fputs("\r\x1b[K", out_);
  std::fprintf(out_, "orvell: wrote %s (%s, %llu frames)\n", written.c_str(),
               ShowTime(double(passes) * kSecondsPerPass, true).c_str(),
               static_cast<unsigned long long>(passes));
  std::fflush(out_);
}
