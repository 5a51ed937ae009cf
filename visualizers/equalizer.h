// Equalizer: 16 columns of 12 cells, one column per spectrum bin of the lowest sixteen; a loud bin
// lights its column's cells up to its level at once, and lit cells fade with the sample interval.
#pragma once

#include "content/visualizer.h"

class Equalizer : public Visualizer {
 public:
  static constexpr int kColumns = 16;
  static constexpr int kRows = 12;
  static constexpr float kCellsPerUnit = 70.0f;  // cells per unit of spectrum magnitude
  static constexpr float kDecayRate = 4.0f;      // per second of sample interval

  explicit Equalizer(Scene* owner) : Visualizer(owner) {}

  // Uses spectrum entries 0 to 15, sampleInterval and first × second.
  void Draw(const float* spectrum, const std::uint8_t* beats, float sampleTime,
            float sampleInterval, float first, float second) override;

  // Brightness 0 to 1 of each cell, column-major: cells[c][0] is column c's bottom cell.
  float cells[kColumns][kRows] = {};
};
