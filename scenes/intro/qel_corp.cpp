// QelCorp's frame.
#include "scenes/intro/qel_corp.h"

#include "scenes/intro/intro_rules.h"

void QelCorp::Update() {
  StepFade();
  CueTest(*this, 10.0f, 2);
}
