// BeatBlip: six spots at fixed places on the player screen, one per frequency band; a beat in a
// band lights its spot fully, which then fades by a fixed step per call.
#pragma once

#include "content/visualizer.h"

class BeatBlip : public Visualizer {
 public:
  static constexpr float kDecay = 0.05f;  // per call

  explicit BeatBlip(Scene* owner) : Visualizer(owner) {}

  // Uses beats and first × second (the scene's fade times its panel transition).
  void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
            float sampleInterval, float first, float second) override;

  // Brightness of each band's spot; may dip below 0 for one call after a decay.
  float levels[6] = {};
};
