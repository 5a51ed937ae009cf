// The beat spots: a level per band, set on a beat and decayed per call, drawn from the atlas.
#include "visualizers/beat_blip.h"

#include <algorithm>

#include "graphics/drawing_operations.h"
#include "graphics/graphics_device.h"

namespace {

// Lower-left corners by band, before the aspect correction.
constexpr float kSpotX[6] = {-0.73f, 0.2f, -0.3f, 0.42f, -0.73f, -0.8125f};
constexpr float kSpotY[6] = {-0.4f, -0.59f, 0.7f, -0.11f, -0.75f, 0.465f};
constexpr float kSpotWidth = 0.12109375f;   // 62/512
constexpr float kSpotHeight = 0.16145834f;  // 62/384
// Texels 1248, 367, 62 × 62 of the title atlas.
constexpr TexRect kSpot{0.609375f, 0.3583984375f, 0.6396484375f, 0.4189453125f};

}  // namespace

void BeatBlip::Draw(const float*, const std::uint8_t* beats, float, float, float first,
                    float second) {
  float c = first * second;
  for (int i = 0; i < 6; ++i) {
    float& level = levels[i];
    if (beats[i]) {
      level = 1.0f;
    } else if (level > 0.0f) {
      level -= kDecay;
    } else {
      level = 0.0f;
    }
    float alpha = std::min(level, c);
    float k = LayoutAspectFactor();
    DrawAtlasQuadTinted(kSpotX[i] / k, kSpotY[i], kSpotWidth / k, kSpotHeight, kSpot.left,
                        kSpot.top, kSpot.right, kSpot.bottom, 1.0f, 1.0f, 1.0f, alpha);
  }
}
