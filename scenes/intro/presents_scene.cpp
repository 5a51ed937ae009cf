// PresentsScene's frame.
#include "scenes/intro/presents_scene.h"

#include "scenes/intro/intro_rules.h"

void PresentsScene::Update() {
  StepFade();
  CueTest(*this, 44.0f, 4);
}
