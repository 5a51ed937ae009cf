// BASS_ChannelGetData's spectrum on the offline output: the frames it reads, its scale, and the
// channels that give nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/bass/offline_output.h"
#include "tests/platform/bass/fixture.h"

namespace bass_test {
namespace {

class ChannelData : public BassTest {
 protected:
  void SetUp() override {
    BassTest::SetUp();
    StartOffline();
  }
  // A full-scale tone in the middle of the bin, as a float WAV (no rounding to 16 bits).
  HSTREAM LoadTone(const std::string& name, int bin, int frames) {
    return LoadStream(name, MakeWavFloat(44100, 2, Sine(bin * kBinHz, 1.0, 44100, frames)));
  }
};

TEST_F(ChannelData, FullScaleToneReadsOneInItsBin) {
  HSTREAM tone = LoadTone("tone.wav", 40, 44100);
  BASS_ChannelPlay(tone, FALSE);
  Render(3);
  std::vector<float> spectrum(256, -1.0f);
  ASSERT_EQ(BASS_ChannelGetData(tone, spectrum.data(), BASS_DATA_FFT512), 1024u);
  for (size_t k = 0; k < 256; ++k) {
    float expected = k == 40 ? 1.0f : (k == 39 || k == 41) ? 0.5f : 0.0f;
    EXPECT_NEAR(spectrum[k], expected, 1e-3) << "bin " << k;
  }
}

TEST_F(ChannelData, ReadsTheLastFramesRendered) {
  // Half a second in bin 10, then half a second in bin 60.
  std::vector<float> samples = Sine(10 * kBinHz, 1.0, 44100, 22050);
  std::vector<float> high = Sine(60 * kBinHz, 1.0, 44100, 22050);
  samples.insert(samples.end(), high.begin(), high.end());
  HSTREAM song = LoadStream("two.wav", MakeWavFloat(44100, 2, samples));
  BASS_ChannelPlay(song, FALSE);
  Render(25);  // ends exactly at the change
  std::vector<float> before = Spectrum(song);
  EXPECT_EQ(Loudest(before), 10u);
  EXPECT_LT(before[60], 1e-3);
  Render(1);  // 882 more frames: the last 512 are all of the second tone
  std::vector<float> after = Spectrum(song);
  EXPECT_EQ(Loudest(after), 60u);
  EXPECT_LT(after[10], 1e-3);
}

TEST_F(ChannelData, EachChannelShowsOnlyItself) {
  HSTREAM low = LoadTone("low.wav", 12, 44100);
  HSTREAM high = LoadTone("high.wav", 90, 44100);
  BASS_ChannelPlay(low, FALSE);
  BASS_ChannelPlay(high, FALSE);
  Render(2);
  std::vector<float> lowSpectrum = Spectrum(low);
  std::vector<float> highSpectrum = Spectrum(high);
  EXPECT_NEAR(lowSpectrum[12], 1.0f, 1e-3);
  EXPECT_LT(lowSpectrum[90], 1e-3);
  EXPECT_NEAR(highSpectrum[90], 1.0f, 1e-3);
  EXPECT_LT(highSpectrum[12], 1e-3);
}

TEST_F(ChannelData, LeftAndRightAreMixedToMono) {
  // Left and right in opposite phase cancel; one side alone reads half.
  std::vector<float> opposite = Sine(30 * kBinHz, 1.0, 44100, 4410);
  std::vector<float> leftOnly = opposite;
  for (size_t i = 0; i < opposite.size(); i += 2) {
    opposite[i + 1] = -opposite[i];
    leftOnly[i + 1] = 0;
  }
  HSTREAM cancelled = LoadStream("opposite.wav", MakeWavFloat(44100, 2, opposite));
  HSTREAM left = LoadStream("left.wav", MakeWavFloat(44100, 2, leftOnly));
  BASS_ChannelPlay(cancelled, FALSE);
  BASS_ChannelPlay(left, FALSE);
  Render(2);
  EXPECT_LT(Spectrum(cancelled)[30], 1e-4);
  EXPECT_NEAR(Spectrum(left)[30], 0.5f, 1e-3);
}

TEST_F(ChannelData, OutputVolumeLeavesTheSpectrumAlone) {
  HSTREAM tone = LoadTone("tone.wav", 40, 44100);
  BASS_SetVolume(10);
  BASS_ChannelPlay(tone, FALSE);
  Render(3);
  EXPECT_NEAR(Spectrum(tone)[40], 1.0f, 1e-3);
}

TEST_F(ChannelData, ChannelsNotPlayingGiveZeros) {
  HSTREAM tone = LoadTone("tone.wav", 40, 4000);
  const std::vector<float> zeros(256, 0.0f);
  EXPECT_EQ(Spectrum(tone), zeros) << "never started";
  BASS_ChannelPlay(tone, FALSE);
  Render();
  ASSERT_GT(Spectrum(tone)[40], 0.8f);
  BASS_ChannelPause(tone);
  EXPECT_EQ(Spectrum(tone), zeros) << "paused";
  BASS_ChannelPlay(tone, FALSE);
  BASS_ChannelStop(tone);
  EXPECT_EQ(Spectrum(tone), zeros) << "stopped";
  BASS_ChannelPlay(tone, FALSE);
  Render(5);
  ASSERT_EQ(BASS_ChannelIsActive(tone), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(Spectrum(tone), zeros) << "ended";
}

TEST_F(ChannelData, JustStartedChannelSeesSilenceBeforeIt) {
  // 100 frames into the song, the other 412 of the 512 are the silence before it started.
  HSTREAM tone = LoadTone("tone.wav", 40, 44100);
  BASS_ChannelPlay(tone, FALSE);
  bass::RenderOfflineFrames(100);
  float partial = Spectrum(tone)[40];
  EXPECT_GT(partial, 0.0f);
  EXPECT_LT(partial, 0.1f);
}

TEST_F(ChannelData, ResumedChannelSeesTheSilenceOfItsPause) {
  // Long enough a play that all the channel remembers is tone, then a pause: right after the
  // resume most of the 512 frames are the pause's silence, not older tone.
  HSTREAM tone = LoadTone("tone.wav", 40, 2 * 44100);
  BASS_ChannelPlay(tone, FALSE);
  Render(25);
  BASS_ChannelPause(tone);
  Render(1);
  BASS_ChannelPlay(tone, FALSE);
  bass::RenderOfflineFrames(100);
  EXPECT_LT(Spectrum(tone)[40], 0.1f);
}

TEST_F(ChannelData, DamagedFloatSamplesGiveAFiniteSpectrum) {
  // A float file may hold anything; the visualizers divide and compare by the magnitudes.
  const std::vector<float> wild = {std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(),
                                   std::numeric_limits<float>::max(),
                                   -1e30f,
                                   0.5f};
  std::vector<float> samples;
  for (int i = 0; i < 2000; ++i) samples.insert(samples.end(), wild.begin(), wild.end());
  // At 22050 Hz the resampler mixes neighbouring samples too.
  for (int rate : {44100, 22050}) {
    HSTREAM song = LoadStream("wild.wav", MakeWavFloat(rate, 2, samples));
    ASSERT_NE(song, 0u);
    BASS_ChannelPlay(song, FALSE);
    Render(3);
    std::vector<float> spectrum(256);
    ASSERT_EQ(BASS_ChannelGetData(song, spectrum.data(), BASS_DATA_FFT512), 1024u);
    for (size_t k = 0; k < 256; ++k)
      ASSERT_TRUE(std::isfinite(spectrum[k])) << rate << " bin " << k;
    EXPECT_GT(spectrum[0] + spectrum[64] + spectrum[128], 0.0f) << rate << ": the rest still plays";
    BASS_MusicFree(song);
  }
}

TEST_F(ChannelData, OnlyTheFftIsServed) {
  HSTREAM tone = LoadTone("tone.wav", 40, 44100);
  BASS_ChannelPlay(tone, FALSE);
  Render();
  std::vector<float> buffer(256, 7.0f);
  EXPECT_EQ(BASS_ChannelGetData(tone, buffer.data(), 1024), DWORD(-1));
  EXPECT_EQ(BASS_ChannelGetData(tone, buffer.data(), BASS_DATA_FFT512 | 0x10), DWORD(-1));
  EXPECT_EQ(BASS_ChannelGetData(tone, nullptr, BASS_DATA_FFT512), DWORD(-1));
  EXPECT_EQ(buffer, std::vector<float>(256, 7.0f));
}

}  // namespace
}  // namespace bass_test
