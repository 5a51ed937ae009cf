// Whether the real-time output kept up: how many blocks it mixed, how many gaps the sound had (a
// block of the null output's clock mixed too late, block_pacer.h says when; an underflow the
// sound server reported; a playing channel whose decoder had fallen behind), and the longest a
// block took to mix. Long live runs read it to show that the audio thread always had the
// processor when it needed it, and that mixing never came near a block's time.
#pragma once

#include <cstdint>

namespace bass {

struct OutputTiming {
  std::uint64_t blocks = 0;      // of up to 1024 frames, mixed since BASS_Init
  std::uint64_t underruns = 0;   // gaps in the sound, of every kind above
  double longestMixSeconds = 0;  // wall time of the slowest mix; 1024 frames last 0.0232 s
};

// Main thread: the real-time output's timing since BASS_Init. All zero before BASS_Init, after
// BASS_Free, with the offline output (which mixes when told and is never late) and on SDL's
// device (which keeps its own buffer and does not say).
OutputTiming RealTimeOutputTiming();

}  // namespace bass
