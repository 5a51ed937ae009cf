// Starting and stopping the output: the version, the offline WAV file, the output volume, and
// the real-time null output that stands in for a missing sound card.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

#include "platform/bass/offline_output.h"
#include "tests/platform/bass/fixture.h"

namespace bass_test {
namespace {

using Output = BassTest;

TEST(BassVersion, IsTwoPointThree) {
  EXPECT_EQ(HIWORD(BASS_GetVersion()), 0x0203);
}

TEST_F(Output, StartsOnceAndStopsOnce) {
  EXPECT_FALSE(BASS_Free()) << "never started";
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << "already started";
  EXPECT_TRUE(BASS_Free());
  EXPECT_FALSE(BASS_Free());
}

TEST_F(Output, CallsBeforeTheStartFail) {
  Bytes mod = MakeMod(8, 3);
  EXPECT_EQ(BASS_MusicLoad(TRUE, mod.data(), 0, DWORD(mod.size()), kModFlags, 0), 0u);
  EXPECT_EQ(LoadStream("song.wav", MakeCountingWav(44100, 100)), 0u);
  EXPECT_EQ(BASS_GetVolume(), DWORD(-1));
  EXPECT_FALSE(BASS_SetVolume(50));
}

TEST_F(Output, DefaultDeviceAlwaysStarts) {
  // With a sound card this is SDL's device; without one, the null output.
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  HSTREAM song = LoadStream("quiet.wav", MakeWav16(44100, 2, std::vector<std::int16_t>(8820, 0)));
  ASSERT_NE(song, 0u);
  EXPECT_TRUE(BASS_ChannelPlay(song, FALSE));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_PLAYING);
  EXPECT_TRUE(BASS_Free());
}

TEST_F(Output, OfflineFileHoldsExactlyTheFramesRendered) {
  StartOffline();
  HSTREAM song = LoadStream("count.wav", MakeCountingWav(44100, 10000));
  BASS_ChannelPlay(song, FALSE);
  Render(3);
  bass::RenderOfflineFrames(5);

  // Whole at every moment, before BASS_Free as after.
  for (int closed = 0; closed < 2; ++closed) {
    WavContents wav = ReadFloatWav(OutputPath());
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.formatTag, 3) << "IEEE float";
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_EQ(wav.bitsPerSample, 32);
    EXPECT_EQ(wav.dataSize, (3 * kPassFrames + 5) * 8);
    EXPECT_EQ(wav.riffSize, std::filesystem::file_size(OutputPath()) - 8);
    ASSERT_EQ(wav.samples.size(), 2 * (3 * kPassFrames + 5));
    EXPECT_EQ(CountAt(wav.samples[2 * 2650], wav.samples[2 * 2650 + 1]), 2650);
    BASS_Free();
  }
}

TEST_F(Output, OfflineOutputIsChosenBeforeTheStartOnly) {
  EXPECT_FALSE(bass::UseOfflineOutput(Path("no/such/folder/out.wav")));
  StartOffline();
  EXPECT_FALSE(bass::UseOfflineOutput(Path("second.wav"))) << "already started";
  EXPECT_FALSE(std::filesystem::exists(Path("second.wav")));
  BASS_Free();
  // The choice ended with BASS_Free: the next start has a real-time output, and rendering
  // offline does nothing.
  auto size = std::filesystem::file_size(OutputPath());
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  bass::RenderOfflineFrames(kPassFrames);
  EXPECT_EQ(std::filesystem::file_size(OutputPath()), size);
}

TEST_F(Output, RecordingTheSameSessionTwiceGivesTheSameBytes) {
  auto session = [this](const std::string& name) {
    EXPECT_TRUE(bass::UseOfflineOutput(Path(name)));
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    HMUSIC music = LoadMusic("song.mod", MakeMod(16, 2), kModFlags);
    HSTREAM stream = LoadStream("tone.wav", MakeWavFloat(22050, 2, Sine(700, 0.4, 22050, 22050)));
    std::vector<float> spectra;
    BASS_ChannelPlay(music, FALSE);
    for (int pass = 0; pass < 60; ++pass) {
      if (pass == 10) BASS_ChannelPlay(stream, FALSE);
      if (pass == 20) BASS_ChannelPause(music);
      if (pass == 25) BASS_ChannelPlay(music, FALSE);
      if (pass == 30) BASS_SetVolume(60);
      bass::RenderOfflineFrames(kPassFrames);
      std::vector<float> spectrum(256);
      BASS_ChannelGetData(pass % 2 ? music : stream, spectrum.data(), BASS_DATA_FFT512);
      spectra.insert(spectra.end(), spectrum.begin(), spectrum.end());
    }
    BASS_Free();
    return spectra;
  };
  std::vector<float> first = session("first.wav");
  std::vector<float> second = session("second.wav");
  EXPECT_EQ(first, second);
  Bytes firstBytes = ReadFile(Path("first.wav"));
  EXPECT_EQ(firstBytes.size(), 58u + 60 * kPassFrames * 8);
  EXPECT_EQ(firstBytes, ReadFile(Path("second.wav")));
}

TEST_F(Output, VolumeStartsFullAndStaysInRange) {
  StartOffline();
  EXPECT_EQ(BASS_GetVolume(), 100u);
  EXPECT_TRUE(BASS_SetVolume(40));
  EXPECT_EQ(BASS_GetVolume(), 40u);
  EXPECT_TRUE(BASS_SetVolume(0));
  EXPECT_EQ(BASS_GetVolume(), 0u);
  EXPECT_TRUE(BASS_SetVolume(250));
  EXPECT_EQ(BASS_GetVolume(), 100u);
  BASS_SetVolume(30);
  BASS_Free();
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_GetVolume(), 100u) << "each start begins at full volume";
}

TEST_F(Output, VolumeScalesEverySampleAfterAShortGlide) {
  StartOffline();
  HSTREAM song = LoadStream("count.wav", MakeCountingWav(44100, 20000));
  BASS_ChannelPlay(song, FALSE);
  Render();
  BASS_SetVolume(50);
  std::vector<float> glide = Render();
  std::vector<float> half = Render();
  for (size_t i = 0; i < kPassFrames; ++i) {
    float full = float((2 * kPassFrames + i) % 32768) / 32768.0f;
    ASSERT_EQ(half[2 * i], 0.5f * full) << "frame " << i;
  }
  // No jump: the first frame after the change is still nearly at full volume.
  float first = glide[2 * 1] / (float(kPassFrames + 1) / 32768.0f);
  EXPECT_GT(first, 0.95f);
  EXPECT_FLOAT_EQ(glide[2 * 400] / (float(kPassFrames + 400) / 32768.0f), 0.5f);

  BASS_SetVolume(0);
  Render();
  EXPECT_EQ(Peak(Render()), 0.0f);
}

TEST_F(Output, SamplesStayFiniteAndInRange) {
  StartOffline();
  std::vector<float> wild = {3.0f,
                             -5.0f,
                             std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             0.25f};
  std::vector<float> samples;
  for (int i = 0; i < 200; ++i) samples.insert(samples.end(), wild.begin(), wild.end());
  HSTREAM song = LoadStream("wild.wav", MakeWavFloat(44100, 2, samples));
  ASSERT_NE(song, 0u);
  BASS_ChannelPlay(song, FALSE);
  std::vector<float> out = Render();
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_TRUE(std::isfinite(out[i])) << i;
    ASSERT_LE(std::abs(out[i]), 1.0f) << i;
  }
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out[1], -1.0f);
  EXPECT_EQ(out[5], 0.25f);
}

// The null output consumes frames on the clock; these wait for it, with time to spare.
bool WaitFor(auto done, double seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST_F(Output, NullOutputPlaysSongsOutInRealTime) {
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  HSTREAM song = LoadStream("short.wav", MakeCountingWav(44100, 11025));
  auto start = std::chrono::steady_clock::now();
  BASS_ChannelPlay(song, FALSE);
  ASSERT_TRUE(WaitFor([&] { return BASS_ChannelIsActive(song) == BASS_ACTIVE_STOPPED; }, 5.0));
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(took, 0.2) << "a quarter of a second of sound cannot end sooner";
}

TEST_F(Output, NullOutputHoldsAPausedSong) {
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  HSTREAM song = LoadStream("short.wav", MakeCountingWav(44100, 4410));
  BASS_ChannelPlay(song, FALSE);
  BASS_ChannelPause(song);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(BASS_ChannelIsActive(song), BASS_ACTIVE_PAUSED) << "0.1 s of song outlasts 0.2 s";
  BASS_ChannelPlay(song, FALSE);
  EXPECT_TRUE(WaitFor([&] { return BASS_ChannelIsActive(song) == BASS_ACTIVE_STOPPED; }, 5.0));
}

TEST_F(Output, NullOutputSpectrumFollowsTheSound) {
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  HSTREAM tone =
      LoadStream("tone.wav", MakeWavFloat(44100, 2, Sine(50 * kBinHz, 1.0, 44100, 2 * 44100)));
  BASS_ChannelPlay(tone, FALSE);
  // Once more than 512 frames have been heard, the window is all tone.
  EXPECT_TRUE(WaitFor([&] { return std::abs(Spectrum(tone)[50] - 1.0f) < 1e-3f; }, 5.0));
  EXPECT_EQ(Loudest(Spectrum(tone)), 50u);
}

}  // namespace
}  // namespace bass_test
