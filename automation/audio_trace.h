// The trace's view of the sound output.
#pragma once

#include "automation/json_line.h"

// Adds "audio" ({"blocks", "underruns", "longestMix"}): the real-time output's timing so far, so
// that a live run's trace shows whether the sound kept up (all zero in record mode, which mixes
// when told).
void TraceAudioOutput(JsonLine& line);
