// The trace's view of the spectrum analyzers and the player: what ran and what the player screen
// holds after a pass's updates.
#pragma once

#include "app/json_line.h"

// Adds "analyzers" (one {"scene", "sampleTime", "sampleInterval", "beats", "spectrum"} per
// analyzer that ran since the last line, in run order; "spectrum" holds the first 16 magnitudes)
// and "player" ({"currentSong", "playing", "volumeStep", "panelState", "panelTransition",
// "infoPanelState", "volume"}) to an open trace line, then forgets the analyzers' runs. The panel
// fields are null while scene 5 is not a MainScene; volume is null while the output is not started.
void TraceAnalyzersAndPlayer(JsonLine& line);
