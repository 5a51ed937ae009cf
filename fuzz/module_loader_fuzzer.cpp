// Fuzz target: a tracker module loaded from memory with the program's flags, played for a second
// on the offline output and freed.
#include <cstdint>

#include "fuzz/offline_audio.h"
#include "platform/bass/bass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::StartOfflineAudio();
  constexpr DWORD kFlags = 0x98300 | BASS_MUSIC_PT1MOD;
  fuzz::PlayOneSecondAndFree(BASS_MusicLoad(TRUE, data, 0, DWORD(size), kFlags, 0));
  return 0;
}
