// QelScene's frame: the background, the three caption strips one after another, then the closing
// picture.
#include "scenes/intro/qel_scene.h"

#include <algorithm>

#include "scenes/intro/intro_rules.h"

namespace {

// A caption strip drifts right by 0.025 a second and grows from its base time t0 on. It fades in
// during its first second, holds with the scene's fade for three, and fades out during the fifth.
struct CaptionStrip {
  TexRect picture;
  float t0, x0, y0, w0;
};

constexpr CaptionStrip kStrips[] = {
    {{0.796875f, 0.4521484375f, 0.93798828125f, 0.4931640625f}, 11.0f, 0.64f, 0.5f, 0.14f},
    {{0.83837890625f, 0.3916015625f, 0.9365234375f, 0.4384765625f}, 15.0f, 0.27f, 0.0f, 0.09f},
    {{0.7216796875f, 0.33203125f, 0.93408203125f, 0.3740234375f}, 19.0f, 0.05f, -0.5f, 0.21f},
};

// The closing picture fades in over the second after this and stays until the scene is gone.
constexpr float kClosingPictureFrom = 25.0f;

void DrawStrip(const CaptionStrip& strip, float t, float alpha) {
  float s = t - strip.t0;
  DrawLayoutQuad(s / 40.0f - strip.x0, strip.y0, (s / 300.0f + strip.w0) * 4.0f,
                 (s / 600.0f + 0.025f) * 2.6666667f, strip.picture, alpha);
}

}  // namespace

void QelScene::Update() {
  StepFade();
  DrawBackground(fadingIn ? fade : 1.0f);

  float t = TimelineSeconds();
  // Where one strip fades out the next fades in over it, so the earlier strip is queued first.
  for (const CaptionStrip& strip : kStrips) {
    if (t < strip.t0) continue;
    if (t < strip.t0 + 1.0f) {
      DrawStrip(strip, t, t - strip.t0);
    } else if (t < strip.t0 + 4.0f) {
      DrawStrip(strip, t, fade);
    } else if (t < strip.t0 + 5.0f) {
      DrawStrip(strip, t, strip.t0 + 5.0f - t);
    }
  }
  // Not multiplied by the fade: the presents scene fades the picture out over its own background.
  if (t > kClosingPictureFrom) DrawClosingPicture(std::min(t - kClosingPictureFrom, 1.0f));

  CueTest(*this, 35.0f, 3);
}
