// The audio library as the audio fuzz targets run it: on the offline output, which needs no sound
// card and mixes only when asked, writing to the null device.
#pragma once

#include "platform/os/win32.h"

namespace fuzz {

// Starts the library on the offline output, once per process.
void StartOfflineAudio();
// Plays a loaded module or stream for one second of output in the program's 20 ms passes, reading
// the spectrum after each as the show does, then frees it. Does nothing for handle 0.
void PlayOneSecondAndFree(DWORD handle);

}  // namespace fuzz
