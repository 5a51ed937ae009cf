// PresentsScene's frame.
#include "scenes/intro/presents_scene.h"

#include "scenes/intro/intro_rules.h"
#include "scenes/intro/qel_scene.h"

namespace {
constexpr TexRect kPresentsCaption{0.37548828125f, 0.5986328125f, 0.43212890625f, 0.6298828125f};
}  // namespace

void PresentsScene::Update() {
  StepFade();
  DrawBackground(1.0f);
  DrawLayoutQuad(-0.1f, -0.05f, 0.2265625f, 0.083333336f, kPresentsCaption, fade);
  // Our opaque background covers the captions scene's closing picture from the first frame, so it
  // is drawn again on top, fading as the two fades cross: 1 − 2s, s seconds in. The alpha goes
  // negative in the second half and the picture is then gone.
  if (fadingIn) DrawClosingPicture(previousScene->fade - fade);
  CueTest(*this, 44.0f, 4);
}
