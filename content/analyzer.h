// The spectrum analyzer of a scene: samples the selected song's spectrum at most every 0.04 s,
// condenses it into six bands, flags a beat in a band whose energy exceeds three times its
// average over the last 43 frames, and drives the scene's visualizers with the result.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "content/visualizer.h"

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

  // Told of every run after the analysis, before the visualizers draw; set from above by whoever
  // watches the show (the trace), empty otherwise.
  using RunObserver = std::function<void(const SpectrumAnalyzer&)>;

  std::vector<std::unique_ptr<Visualizer>> visualizers;  // called in this order
  Scene* owner;                                          // not owned; not used by the analysis
  RunObserver onRun;
  float spectrum[256] = {};
  float lastSampleTime = 0.0f;               // the timer's total seconds at the last sample
  float sampleInterval = 0.0f;               // between the last two samples
  float bandHistory[kHistory][kBands] = {};  // row 0 the oldest
  std::uint8_t beats[kBands] = {};           // this frame's flags
};
