// The bar equalizer: decay, rise and the 192 cell quads.
#include "visualizers/equalizer.h"

#include <algorithm>

#include "graphics/drawing_operations.h"
#include "graphics/graphics_device.h"

namespace {

constexpr float kCellWidth = 0.05078125f;    // 26/512
constexpr float kCellHeight = 0.020833334f;  // 8/384
constexpr float kColumnPitch = 0.053f;
constexpr float kRowPitch = 0.022f;
constexpr float kLeft = -0.215f;
constexpr float kBottom = -0.421875f;
// Texels 1338, 233, 26 × 8 of the title atlas.
constexpr TexRect kCell{0.6533203125f, 0.2275390625f, 0.666015625f, 0.2353515625f};

// Pale cyan at the bottom, whitening upwards.
struct Rgb {
  float r, g, b;
};
constexpr Rgb kRowColour[Equalizer::kRows] = {
    {0.62f, 0.76f, 0.76f}, {0.65f, 0.78f, 0.78f}, {0.69f, 0.80f, 0.80f}, {0.72f, 0.83f, 0.83f},
    {0.75f, 0.85f, 0.85f}, {0.79f, 0.87f, 0.87f}, {0.82f, 0.89f, 0.89f}, {0.85f, 0.92f, 0.92f},
    {0.89f, 0.94f, 0.94f}, {0.92f, 0.96f, 0.96f}, {0.95f, 0.98f, 0.98f}, {1.0f, 1.0f, 1.0f}};

}  // namespace

void Equalizer::Draw(const float* spectrum, const std::uint8_t*, float, float sampleInterval,
                     float first, float second) {
  float decay = kDecayRate * sampleInterval;
  for (auto& column : cells) {
    for (float& cell : column) {
      float faded = cell - decay;
      cell = faded > 0.0f ? faded : 0.0f;
    }
  }

  for (int c = 0; c < kColumns; ++c) {
    // Truncated toward zero: 0.17 × 70 = 11.9 lights 11 cells. The float compare keeps a huge or
    // non-finite magnitude from overflowing the conversion.
    float level = spectrum[c] * kCellsPerUnit;
    int n = level >= float(kRows) ? kRows : (level >= 1.0f ? int(level) : 0);
    for (int j = 0; j < n; ++j) cells[c][j] = 1.0f;
  }

  float e = first * second;
  for (int c = 0; c < kColumns; ++c) {
    for (int j = 0; j < kRows; ++j) {
      float k = LayoutAspectFactor();
      float alpha = std::min(cells[c][j], e);
      const Rgb& colour = kRowColour[j];
      DrawAtlasQuadTinted((float(c) * kColumnPitch + kLeft) / k, float(j) * kRowPitch + kBottom,
                          kCellWidth / k, kCellHeight, kCell.left, kCell.top, kCell.right,
                          kCell.bottom, colour.r, colour.g, colour.b, alpha);
    }
  }
}
