// QelScene's frame.
#include "scenes/intro/qel_scene.h"

#include "scenes/intro/intro_rules.h"

void QelScene::Update() {
  StepFade();
  CueTest(*this, 35.0f, 3);
}
