// The 512-point spectrum: where a tone lands and at what magnitude.
#include "platform/bass/magnitude_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

using bass::kFftBins;
using bass::kFftFrames;

std::vector<float> Analyze(const std::vector<float>& mono) {
  bass::MagnitudeFft spectrum;
  std::vector<float> magnitudes(kFftBins, -1.0f);
  spectrum.Analyze(mono.data(), magnitudes.data());
  return magnitudes;
}

std::vector<float> BinTone(double bin, double amplitude) {
  std::vector<float> mono(kFftFrames);
  for (size_t i = 0; i < kFftFrames; ++i) {
    mono[i] = float(amplitude * std::sin(2 * std::numbers::pi * bin * double(i) / kFftFrames));
  }
  return mono;
}

TEST(MagnitudeFft, FullScaleSineAtABinCentreReadsOne) {
  for (int bin : {3, 40, 128, 254}) {
    std::vector<float> magnitudes = Analyze(BinTone(bin, 1.0));
    for (int k = 0; k < int(kFftBins); ++k) {
      // The Hann window spreads a centred tone over its bin and, at half, the two beside it.
      float expected = k == bin ? 1.0f : std::abs(k - bin) == 1 ? 0.5f : 0.0f;
      EXPECT_NEAR(magnitudes[size_t(k)], expected, 1e-4) << "tone in bin " << bin << ", bin " << k;
    }
  }
}

TEST(MagnitudeFft, MagnitudeFollowsAmplitude) {
  EXPECT_NEAR(Analyze(BinTone(20, 0.25))[20], 0.25f, 1e-5);
  EXPECT_NEAR(Analyze(BinTone(20, 0.01))[20], 0.01f, 1e-6);
}

TEST(MagnitudeFft, ConstantLandsInTheLowestBin) {
  // Unlike a sine, a constant has no negative frequency to share with: it reads twice its value.
  std::vector<float> magnitudes = Analyze(std::vector<float>(kFftFrames, 0.3f));
  EXPECT_NEAR(magnitudes[0], 0.6f, 1e-5);
  EXPECT_NEAR(magnitudes[1], 0.3f, 1e-5);
  for (size_t k = 2; k < kFftBins; ++k) EXPECT_NEAR(magnitudes[k], 0.0f, 1e-5) << k;
}

TEST(MagnitudeFft, SilenceIsZeroEverywhere) {
  for (float m : Analyze(std::vector<float>(kFftFrames, 0.0f))) EXPECT_EQ(m, 0.0f);
}

}  // namespace
