// Fuzz target: a sound file opened as a stream from memory, played for a second on the offline
// output and freed.
#include <cstdint>

#include "fuzz/offline_audio.h"
#include "platform/bass/bass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::StartOfflineAudio();
  fuzz::PlayOneSecondAndFree(BASS_StreamCreateFile(TRUE, data, 0, size, BASS_SAMPLE_FLOAT));
  return 0;
}
