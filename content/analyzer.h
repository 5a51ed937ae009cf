// The spectrum analyzer of a scene: samples the selected song's spectrum at most every 0.04 s,
// condenses it into six bands, flags a beat in a band whose energy exceeds three times its
// average over the last 43 frames, and drives the scene's visualizers with the result.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "visualizers/visualizer.h"

class Scene;

class SpectrumAnalyzer {
 public:
  static constexpr int kBands = 6;
  static constexpr int kHistory = 43;
  static constexpr float kSamplePeriod = 0.04f;  // seconds
  static constexpr float kBeatFactor = 3.0f;

  explicit SpectrumAnalyzer(Scene* owner);

  // Once per frame at most, from the owning scene's update; first and second go to every
  // visualizer unread.
  void Update(float first, float second);

  // The analyzers that ran since the last call of ClearRuns, in the order they ran, kept only
  // while recording is on (the trace turns it on and clears the list every pass).
  static void RecordRuns(bool record);
  static const std::vector<const SpectrumAnalyzer*>& Runs();
  static void ClearRuns();

  std::vector<std::unique_ptr<Visualizer>> visualizers;  // called in this order
  Scene* owner;                                          // not owned; not used by the analysis
  float spectrum[256] = {};
  float lastSampleTime = 0.0f;               // the timer's total seconds at the last sample
  float sampleInterval = 0.0f;               // between the last two samples
  float bandHistory[kHistory][kBands] = {};  // row 0 the oldest
  std::uint8_t beats[kBands] = {};           // this frame's flags
};
