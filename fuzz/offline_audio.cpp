// One second of a song through the mixer, the resampler and the spectrum.
#include "fuzz/offline_audio.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/bass/bass.h"
#include "platform/bass/offline_output.h"

namespace fuzz {
namespace {

class OfflineAudio {
 public:
  OfflineAudio() {
    if (!bass::UseOfflineOutput("/dev/null") || !BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
      std::fprintf(stderr, "fuzz: the offline audio output does not start\n");
      std::abort();
    }
  }
  ~OfflineAudio() { BASS_Free(); }
  OfflineAudio(const OfflineAudio&) = delete;
  OfflineAudio& operator=(const OfflineAudio&) = delete;
};

}  // namespace

void StartOfflineAudio() {
  static OfflineAudio audio;
}

void PlayOneSecondAndFree(DWORD handle) {
  if (handle == 0) return;
  BASS_ChannelPlay(handle, FALSE);
  for (int pass = 0; pass < 50; ++pass) {
    bass::RenderOfflineFrames(882);
    float spectrum[256];
    if (BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT512) != sizeof(spectrum)) std::abort();
    // The visualizers divide and compare by these; nothing decoded may make them other than finite.
    for (float magnitude : spectrum) {
      if (!std::isfinite(magnitude)) std::abort();
    }
  }
  BASS_MusicFree(handle);
}

}  // namespace fuzz
