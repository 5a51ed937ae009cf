// The stream resampler: exact pass-through, output length, pitch and level kept, aliasing held
// back, and the same output however the input is cut into pieces.
#include "platform/bass/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using bass::Resampler;

// Feeds all of input (stereo) in pieces of pushFrames, pulling pullFrames at a time.
std::vector<float> Convert(unsigned from, unsigned to, const std::vector<float>& input,
                           size_t pushFrames = 4096, size_t pullFrames = 4096) {
  Resampler resampler(from, to);
  std::vector<float> output;
  std::vector<float> piece(2 * pullFrames);
  size_t fed = 0, inputFrames = input.size() / 2;
  while (!resampler.Ended()) {
    if (fed < inputFrames) {
      size_t n = std::min(pushFrames, inputFrames - fed);
      fed += resampler.Push(&input[2 * fed], n);
      if (fed == inputFrames) resampler.Finish();
    } else {
      resampler.Finish();
    }
    size_t got;
    while ((got = resampler.Pull(piece.data(), pullFrames)) > 0) {
      output.insert(output.end(), piece.begin(), piece.begin() + 2 * long(got));
    }
  }
  return output;
}

std::vector<float> Tone(double frequency, unsigned rate, size_t frames) {
  std::vector<float> out;
  for (size_t i = 0; i < frames; ++i) {
    float s = float(0.8 * std::sin(2 * std::numbers::pi * frequency * double(i) / rate));
    out.push_back(s);
    out.push_back(-s);
  }
  return out;
}

TEST(Resampler, EqualRatesPassFramesThroughUnchanged) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> sample(-1, 1);
  std::vector<float> input(2 * 5000);
  for (float& s : input) s = sample(random);
  EXPECT_EQ(Convert(44100, 44100, input, 333, 100), input);
}

TEST(Resampler, OutputLengthFollowsTheRatio) {
  struct Case {
    unsigned from, to;
    size_t in, out;
  };
  for (Case c :
       {Case{22050, 44100, 1000, 2000}, Case{48000, 44100, 1000, 919}, Case{8000, 44100, 3, 17},
        Case{96000, 44100, 96000, 44100}, Case{48000, 44100, 0, 0}}) {
    std::vector<float> input(2 * c.in, 0.25f);
    EXPECT_EQ(Convert(c.from, c.to, input).size(), 2 * c.out) << c.from << " to " << c.to;
  }
}

TEST(Resampler, KeepsPitchAndLevel) {
  // Away from the ends, the output is the same tone sampled at the new rate: the first output
  // frame falls on the first input frame, and 1 kHz is deep in the pass band.
  for (unsigned from : {22050u, 32000u, 48000u, 96000u}) {
    std::vector<float> output = Convert(from, 44100, Tone(1000, from, from / 2));
    std::vector<float> ideal = Tone(1000, 44100, 44100 / 2);
    ASSERT_EQ(output.size(), ideal.size());
    double worst = 0;
    for (size_t i = 2 * 200; i + 2 * 200 < output.size(); ++i) {
      worst = std::max(worst, double(std::abs(output[i] - ideal[i])));
    }
    EXPECT_LT(worst, 1e-3) << "from " << from;
  }
}

TEST(Resampler, HoldsBackWhatTheNewRateCannotCarry) {
  // 23 kHz fits 48 kHz but not 44.1 kHz; passed on, it would fold back to 21.1 kHz.
  std::vector<float> output = Convert(48000, 44100, Tone(23000, 48000, 48000 / 4));
  double energy = 0;
  size_t counted = 0;
  for (size_t i = 2 * 200; i + 2 * 200 < output.size(); ++i, ++counted) {
    energy += double(output[i]) * output[i];
  }
  double rms = std::sqrt(energy / double(counted));
  EXPECT_LT(rms, 0.8 / std::sqrt(2.0) * 0.01);  // at least 40 dB down
}

TEST(Resampler, PiecesOfAnySizeGiveTheSameOutput) {
  std::vector<float> input = Tone(3000, 48000, 20000);
  std::vector<float> whole = Convert(48000, 44100, input);
  EXPECT_EQ(Convert(48000, 44100, input, 7, 5), whole);
  EXPECT_EQ(Convert(48000, 44100, input, 1, 4096), whole);
  EXPECT_EQ(Convert(48000, 44100, input, 4096, 1), whole);
}

TEST(Resampler, ResetStartsOver) {
  std::vector<float> input = Tone(440, 22050, 3000);
  Resampler resampler(22050, 44100);
  std::vector<float> first(2 * 1000), again(2 * 1000);
  resampler.Push(input.data(), 3000);
  ASSERT_EQ(resampler.Pull(first.data(), 1000), 1000u);
  resampler.Reset();
  resampler.Push(input.data(), 3000);
  ASSERT_EQ(resampler.Pull(again.data(), 1000), 1000u);
  EXPECT_EQ(again, first);
}

TEST(Resampler, WaitsForInputBeforeTheEnd) {
  // Without Finish the last frames need input that may still come.
  Resampler resampler(22050, 44100);
  std::vector<float> input(2 * 100, 0.5f), output(2 * 400);
  resampler.Push(input.data(), 100);
  size_t before = resampler.Pull(output.data(), 400);
  EXPECT_LT(before, 200u);
  EXPECT_FALSE(resampler.Ended());
  resampler.Finish();
  size_t after = resampler.Pull(output.data(), 400);
  EXPECT_EQ(before + after, 200u);
  EXPECT_TRUE(resampler.Ended());
}

}  // namespace
