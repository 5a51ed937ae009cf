// QelCorp's frame.
#include "scenes/intro/qel_corp.h"

#include "scenes/intro/intro_rules.h"

namespace {
constexpr TexRect kLogo{0.63232421875f, 0.4423828125f, 0.78271484375f, 0.5673828125f};
}  // namespace

void QelCorp::Update() {
  StepFade();
  // 308 × 128 texels, centred, fading with the scene.
  DrawLayoutQuad(-0.30078125f, -0.16666667f, 0.6015625f, 0.33333334f, kLogo, fade);
  CueTest(*this, 10.0f, 2);
}
