// The trace's view of the spectrum analyzers and the player: what ran and what the player screen
// holds after a pass's updates. The composition root hands it the analyzers' runs and the player
// screen through the scene chain's hooks.
#pragma once

#include <vector>

#include "automation/json_line.h"
#include "content/analyzer.h"

class MainScene;
class SceneManager;

class PlayerTrace {
 public:
  // Scene indices are looked up in the manager's list; it must outlive the trace.
  explicit PlayerTrace(const SceneManager* manager) : manager_(manager) {}

  // The analyzers' run observer: remembers the analyzer until the next line.
  void AnalyzerRan(const SpectrumAnalyzer& analyzer) { runs_.push_back(&analyzer); }
  // The player screen whose panels the lines show; null shows them as null.
  void WatchPlayerScreen(const MainScene* screen) { screen_ = screen; }

  // Adds "analyzers" (one {"scene", "sampleTime", "sampleInterval", "beats", "spectrum"} per
  // analyzer that ran since the last line, in run order; "spectrum" holds the first 16 magnitudes)
  // and "player" ({"currentSong", "playing", "volumeStep", "panelState", "panelTransition",
  // "infoPanelState", "volume"}) to an open trace line, then forgets the analyzers' runs; volume is
  // null while the output is not started.
  void Write(JsonLine& line);

 private:
  void WriteAnalyzers(JsonLine& line);

  const SceneManager* manager_;
  const MainScene* screen_ = nullptr;
  std::vector<const SpectrumAnalyzer*> runs_;
};
