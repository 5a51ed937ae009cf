// Sampling, bands, beats and the visualizer calls.
#include "content/analyzer.h"

#include <cstring>

#include "app/frame_timer.h"
#include "content/player_state.h"
#include "platform/bass/bass.h"

namespace {

// Each band runs from the previous band's end to its own; its energy is the mean of its bins.
constexpr int kBandEnd[SpectrumAnalyzer::kBands] = {4, 12, 28, 61, 126, 256};
constexpr float kBandDivisor[SpectrumAnalyzer::kBands] = {4, 8, 16, 33, 65, 130};

}  // namespace

SpectrumAnalyzer::SpectrumAnalyzer(Scene* owner) : owner(owner) {}

void SpectrumAnalyzer::Update(float first, float second) {
  const FrameTimer* timer = FrameTimer::Instance();
  float now = timer->totalSeconds;
  if (now - lastSampleTime >= kSamplePeriod) {
    const PlayerState* player = PlayerState::Instance();
    // Without songs there is nothing to sample; the spectrum stays as it was.
    if (player->songCount > 0) {
      BASS_ChannelGetData(player->songs[std::size_t(player->currentSong)].handle, spectrum,
                          BASS_DATA_FFT512);
    }
    now = timer->totalSeconds;
    sampleInterval = now - lastSampleTime;
    lastSampleTime = now;
  }

  float energy[kBands];
  for (int band = 0, bin = 0; band < kBands; ++band) {
    float sum = 0.0f;
    for (; bin < kBandEnd[band]; ++bin) sum += spectrum[bin];
    energy[band] = sum / kBandDivisor[band];
  }
  for (int band = 0; band < kBands; ++band) {
    float sum = 0.0f;
    for (const auto& row : bandHistory) sum += row[band];
    float average = sum / float(kHistory);
    beats[band] = kBeatFactor * average < energy[band] ? 1 : 0;
  }
  std::memmove(bandHistory[0], bandHistory[1], sizeof(bandHistory[0]) * (kHistory - 1));
  std::memcpy(bandHistory[kHistory - 1], energy, sizeof energy);

  if (onRun) onRun(*this);
  for (auto& visualizer : visualizers) {
    visualizer->Draw(spectrum, beats, lastSampleTime, sampleInterval, first, second);
  }
}
