// Whether the real-time output kept up: how many blocks the null output mixed, how many of them
// too late to be heard without a gap (block_pacer.h says when a block is late), and the longest
// one took to mix. Long live runs read it to show that the audio thread always had the processor
// when it needed it, and that mixing never came near a block's time.
#pragma once

#include <cstdint>

namespace bass {

struct OutputTiming {
  std::uint64_t blocks = 0;      // of 1024 frames, mixed since BASS_Init
  std::uint64_t underruns = 0;   // of those, mixed after the moment they were due to be heard
  double longestMixSeconds = 0;  // wall time of the slowest mix; a block lasts 0.0232 s
};

// Main thread: the real-time output's timing since BASS_Init. All zero before BASS_Init, after
// BASS_Free, with the offline output (which mixes when told and is never late) and on SDL's
// device (which keeps its own buffer and does not say).
OutputTiming RealTimeOutputTiming();

}  // namespace bass
