// The spectrum analyzer's beat rule and history, its sampling period and the arguments it hands
// its visualizers, with a spy visualizer; and one sample of a real song on the offline output.
#include "content/analyzer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "app/frame_timer.h"
#include "content/player_state.h"
#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"

namespace {

struct Call {
  std::vector<float> spectrum;
  std::vector<std::uint8_t> beats;
  float sampleTime, sampleInterval, first, second;
};

class Spy : public Visualizer {
 public:
  explicit Spy(std::vector<Call>* calls) : Visualizer(nullptr), calls_(calls) {}
  void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
            float sampleInterval, float first, float second) override {
    calls_->push_back({std::vector<float>(spectrum, spectrum + 256),
                       std::vector<std::uint8_t>(beats, beats + 6), sampleTime, sampleInterval,
                       first, second});
  }

 private:
  std::vector<Call>* calls_;
};

class SpectrumAnalyzerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    analyzer.onRun = [this](const SpectrumAnalyzer& ran) {
      // Reported after the analysis, before any visualizer draws.
      EXPECT_EQ(calls.size(), runs.size());
      runs.push_back(&ran);
    };
    FrameTimer::Instance()->totalSeconds = 0.0f;
    analyzer.visualizers.push_back(std::make_unique<Spy>(&calls));
    analyzer.visualizers.push_back(std::make_unique<Spy>(&secondCalls));
  }
  void TearDown() override {
    FrameTimer::Destroy();
    PlayerState::Destroy();
  }
  void At(float seconds) { FrameTimer::Instance()->totalSeconds = seconds; }
  // Band b's energy is the mean of its bins: filling them with e gives energy e.
  void Fill(int band, float energy) {
    static const int kStart[] = {0, 4, 12, 28, 61, 126, 256};
    for (int bin = kStart[band]; bin < kStart[band + 1]; ++bin) analyzer.spectrum[bin] = energy;
  }

  Scene* owner = reinterpret_cast<Scene*>(0x10);
  SpectrumAnalyzer analyzer{owner};
  std::vector<Call> calls, secondCalls;
  std::vector<const SpectrumAnalyzer*> runs;
};

TEST_F(SpectrumAnalyzerTest, FirstCallsFlagEveryNonZeroBandUntilTheHistoryFills) {
  Fill(1, 0.5f);
  Fill(4, 0.001f);
  analyzer.Update(0.7f, 0.3f);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].beats, (std::vector<std::uint8_t>{0, 1, 0, 0, 1, 0}));
  EXPECT_FLOAT_EQ(analyzer.bandHistory[42][1], 0.5f);
  EXPECT_FLOAT_EQ(analyzer.bandHistory[41][1], 0.0f);
  // Steady energy: the average catches up to a third of it after 15 calls (15/43 > 1/3).
  int beatCalls = 1;
  for (int i = 0; i < 40; ++i) {
    analyzer.Update(0.7f, 0.3f);
    beatCalls += calls.back().beats[1];
  }
  EXPECT_EQ(beatCalls, 15);
  EXPECT_EQ(calls.back().beats[1], 0);
}

TEST_F(SpectrumAnalyzerTest, ExactlyThreeTimesTheAverageIsNoBeat) {
  for (auto& row : analyzer.bandHistory) row[0] = 1.0f;  // average 1
  Fill(0, 3.0f);
  analyzer.Update(1, 1);
  EXPECT_EQ(calls.back().beats[0], 0);
  for (auto& row : analyzer.bandHistory) row[0] = 1.0f;
  Fill(0, 3.0001f);
  analyzer.Update(1, 1);
  EXPECT_EQ(calls.back().beats[0], 1);
}

TEST_F(SpectrumAnalyzerTest, TheHistoryShiftsByOneRowPerCall) {
  for (int r = 0; r < 43; ++r) analyzer.bandHistory[r][5] = float(r);
  Fill(5, 100.0f);
  analyzer.Update(1, 1);
  EXPECT_EQ(analyzer.bandHistory[0][5], 1.0f);
  EXPECT_EQ(analyzer.bandHistory[41][5], 42.0f);
  EXPECT_EQ(analyzer.bandHistory[42][5], 100.0f);
}

TEST_F(SpectrumAnalyzerTest, ASecondCallWithinTheSamplePeriodReusesTheSample) {
  // No song: the sample call is skipped, but the timing works the same.
  At(0.04f);
  Fill(0, 0.25f);
  analyzer.Update(1, 1);
  EXPECT_FLOAT_EQ(analyzer.lastSampleTime, 0.04f);
  EXPECT_FLOAT_EQ(analyzer.sampleInterval, 0.04f);
  At(0.06f);
  analyzer.Update(1, 1);
  EXPECT_FLOAT_EQ(analyzer.lastSampleTime, 0.04f);
  EXPECT_FLOAT_EQ(analyzer.sampleInterval, 0.04f);
  EXPECT_FLOAT_EQ(analyzer.bandHistory[42][0], 0.25f);
  EXPECT_FLOAT_EQ(analyzer.bandHistory[41][0], 0.25f) << "the same energies enter again";
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].sampleTime, calls[0].sampleTime);
  At(0.1f);
  analyzer.Update(1, 1);
  EXPECT_FLOAT_EQ(analyzer.lastSampleTime, 0.1f);
  EXPECT_FLOAT_EQ(analyzer.sampleInterval, 0.06f);
}

TEST_F(SpectrumAnalyzerTest, EveryVisualizerGetsTheSameArgumentsInListOrder) {
  At(0.5f);
  Fill(2, 0.125f);
  analyzer.Update(0.25f, 0.75f);
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(secondCalls.size(), 1u);
  EXPECT_EQ(calls[0].spectrum[12], 0.125f);
  EXPECT_EQ(calls[0].sampleTime, 0.5f);
  EXPECT_EQ(calls[0].sampleInterval, 0.5f);
  EXPECT_EQ(calls[0].first, 0.25f);
  EXPECT_EQ(calls[0].second, 0.75f);
  EXPECT_EQ(secondCalls[0].beats, calls[0].beats);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], &analyzer);
  EXPECT_EQ(analyzer.owner, owner);
}

TEST_F(SpectrumAnalyzerTest, EveryRunIsReportedOnceAndNoObserverIsNeeded) {
  for (int i = 0; i < 3; ++i) analyzer.Update(1.0f, 1.0f);
  EXPECT_EQ(runs.size(), 3u);
  analyzer.onRun = nullptr;
  analyzer.Update(1.0f, 1.0f);
  EXPECT_EQ(runs.size(), 3u);
  EXPECT_EQ(calls.size(), 4u);
}

TEST_F(SpectrumAnalyzerTest, TheFirstCallBeforeTheSamplePeriodWorksOnTheZeroSpectrum) {
  At(0.02f);
  analyzer.Update(1, 1);
  EXPECT_EQ(analyzer.lastSampleTime, 0.0f);
  EXPECT_EQ(calls[0].beats, std::vector<std::uint8_t>(6, 0));
}

TEST_F(SpectrumAnalyzerTest, ASampleOfThePlayingSongReplacesTheSpectrum) {
  std::string wav = (std::filesystem::path(::testing::TempDir()) / "orvell-analyzer.wav").string();
  ASSERT_TRUE(bass::UseOfflineOutput(wav));
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  // A 440 Hz square wave: energy in band 1 (bins 4 to 11) and its odd harmonics above.
  std::vector<std::uint8_t> bytes;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
  };
  auto put16 = [&](int v) {
    bytes.push_back(std::uint8_t(v));
    bytes.push_back(std::uint8_t(v >> 8));
  };
  const int frames = 44100;
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  put32(36 + frames * 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(16);
  put16(1);
  put16(2);
  put32(44100);
  put32(44100 * 4);
  put16(4);
  put16(16);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  put32(frames * 4);
  for (int i = 0; i < frames; ++i) {
    int s = (i * 440 / 44100) % 2 ? 12000 : -12000;
    put16(s);
    put16(s);
  }
  HSTREAM song = BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), 0);
  ASSERT_NE(song, 0u);
  PlayerState* player = PlayerState::Instance();
  player->songCount = 1;
  player->songs.assign(1, Song{});
  player->songs[0].handle = song;
  BASS_ChannelPlay(song, FALSE);
  bass::RenderOfflineFrames(882 * 3);

  At(0.06f);
  analyzer.Update(1, 1);
  EXPECT_FLOAT_EQ(analyzer.lastSampleTime, 0.06f);
  EXPECT_FLOAT_EQ(analyzer.sampleInterval, 0.06f);
  float band1 = 0;
  for (int bin = 4; bin < 12; ++bin) band1 += analyzer.spectrum[bin];
  EXPECT_GT(band1, 0.1f);
  EXPECT_EQ(calls.back().beats[1], 1) << "loud after the silent history";
  BASS_Free();
  std::filesystem::remove(wav);
}

}  // namespace
