// Windowed-sinc sample-rate conversion: 64 taps of a Kaiser-windowed sinc, tabulated at 256
// phases with linear interpolation between them, cut off a little below the lower Nyquist rate.
#include "platform/bass/resampler.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <utility>

namespace bass {
namespace {

constexpr size_t kHalfWidth = 32;
constexpr size_t kTaps = 2 * kHalfWidth;
constexpr size_t kPhases = 256;
constexpr size_t kCapacity = 4096 + kTaps;  // input frames held at most
// Where the pass band ends, as a share of the lower of the two Nyquist rates.
constexpr double kPassBand = 0.94;
constexpr double kKaiserBeta = 8.0;  // about 80 dB of stop-band rejection

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

// Without its constant divisor I0(beta): every row of taps is scaled to unit sum anyway.
double Kaiser(double x) {  // x in [-1, 1]
  double r = 1 - x * x;
  return r <= 0 ? 0 : BesselI0(kKaiserBeta * std::sqrt(r));
}

double Sinc(double x) {
  if (std::abs(x) < 1e-12) return 1;
  return std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
}

std::vector<float> MakeTaps(unsigned inputRate, unsigned outputRate) {
  double cutoff = kPassBand * std::min(1.0, double(outputRate) / inputRate);
  std::vector<float> taps((kPhases + 1) * kTaps);
  for (size_t j = 0; j <= kPhases; ++j) {
    double phase = double(j) / kPhases;
    float* row = &taps[j * kTaps];
    double h[kTaps];
    double sum = 0;
    for (size_t k = 0; k < kTaps; ++k) {
      // Tap k weighs the input frame that lies this far before the output instant.
      double x = phase + double(kHalfWidth) - 1 - double(k);
      h[k] = cutoff * Sinc(cutoff * x) * Kaiser(x / kHalfWidth);
      sum += h[k];
    }
    // Unit gain at DC in every phase, or slow signals would ripple at the phase rate.
    for (size_t k = 0; k < kTaps; ++k) row[k] = float(h[k] / sum);
  }
  return taps;
}

// The table takes a few milliseconds to build; streams of the same rate share one.
std::shared_ptr<const std::vector<float>> Taps(unsigned inputRate, unsigned outputRate) {
  static std::mutex lock;
  static std::map<std::pair<unsigned, unsigned>, std::shared_ptr<const std::vector<float>>> made;
  std::lock_guard hold(lock);
  auto& taps = made[{inputRate, outputRate}];
  if (!taps) taps = std::make_shared<const std::vector<float>>(MakeTaps(inputRate, outputRate));
  return taps;
}

}  // namespace

Resampler::Resampler(unsigned inputRate, unsigned outputRate)
    : inputRate_(inputRate), outputRate_(outputRate), buffer_(2 * kCapacity) {
  if (!Passthrough()) taps_ = Taps(inputRate, outputRate);
  Reset();
}

void Resampler::Reset() {
  start_ = 0;
  end_ = 0;
  finished_ = false;
  fraction_ = 0;
  inputTotal_ = 0;
  outputTotal_ = 0;
  outputLength_ = 0;
  if (!Passthrough()) {
    // Silence before the first frame, so that the first output frame lands on it.
    end_ = kHalfWidth - 1;
    std::fill(buffer_.begin(), buffer_.begin() + 2 * end_, 0.0f);
  }
}

void Resampler::Compact() {
  if (start_ == 0) return;
  std::copy(buffer_.begin() + 2 * start_, buffer_.begin() + 2 * end_, buffer_.begin());
  end_ -= start_;
  start_ = 0;
}

size_t Resampler::Space() const {
  if (finished_) return 0;
  // Room for the silent tail that Finish appends is always kept.
  size_t used = Buffered() + kHalfWidth;
  return used >= kCapacity ? 0 : kCapacity - used;
}

size_t Resampler::Push(const float* stereo, size_t frames) {
  size_t taken = std::min(frames, Space());
  if (taken == 0) return 0;
  if (end_ + taken > kCapacity) Compact();
  std::copy(stereo, stereo + 2 * taken, buffer_.begin() + 2 * end_);
  end_ += taken;
  inputTotal_ += taken;
  return taken;
}

void Resampler::Finish() {
  if (finished_) return;
  finished_ = true;
  if (Passthrough()) {
    outputLength_ = inputTotal_;
    return;
  }
  outputLength_ = (inputTotal_ * outputRate_ + inputRate_ - 1) / inputRate_;
  if (end_ + kHalfWidth > kCapacity) Compact();
  std::fill(buffer_.begin() + 2 * end_, buffer_.begin() + 2 * (end_ + kHalfWidth), 0.0f);
  end_ += kHalfWidth;
}

bool Resampler::Ended() const {
  return finished_ && outputTotal_ >= outputLength_;
}

size_t Resampler::Pull(float* stereo, size_t maxFrames) {
  if (Passthrough()) {
    size_t frames = std::min(maxFrames, Buffered());
    std::copy(buffer_.begin() + 2 * start_, buffer_.begin() + 2 * (start_ + frames), stereo);
    start_ += frames;
    outputTotal_ += frames;
    return frames;
  }
  size_t produced = 0;
  float taps[kTaps];
  while (produced < maxFrames && !Ended() && Buffered() >= kTaps) {
    double phase = double(fraction_) * kPhases / outputRate_;
    size_t row = std::min(size_t(phase), kPhases - 1);
    float blend = float(phase - double(row));
    const float* a = &(*taps_)[row * kTaps];
    const float* b = a + kTaps;
    for (size_t k = 0; k < kTaps; ++k) taps[k] = a[k] + blend * (b[k] - a[k]);
    const float* in = &buffer_[2 * start_];
    float left = 0, right = 0;
    for (size_t k = 0; k < kTaps; ++k) {
      left += taps[k] * in[2 * k];
      right += taps[k] * in[2 * k + 1];
    }
    stereo[2 * produced] = left;
    stereo[2 * produced + 1] = right;
    ++produced;
    ++outputTotal_;
    fraction_ += inputRate_;
    start_ += fraction_ / outputRate_;
    fraction_ %= outputRate_;
  }
  return produced;
}

}  // namespace bass
