// The fade step shared by the scenes.
#include "app/scene.h"

#include "app/frame_timer.h"

void FadingScene::Start() {
  fade = 0.0f;
  fadingOut = false;
  fadingIn = true;
  active = true;
}

void FadingScene::Leave() {
  fadingOut = true;
  fadingIn = false;
}

bool FadingScene::StepFade() {
  StepFadeIn();
  return StepFadeOut();
}

void FadingScene::StepFadeIn() {
  if (!fadingIn) return;
  fade += FrameTimer::Instance()->deltaSeconds;
  if (fade >= 1.0f) {
    fade = 1.0f;
    fadingIn = false;
  }
}

bool FadingScene::StepFadeOut() {
  if (!fadingOut) return false;
  fade -= FrameTimer::Instance()->deltaSeconds;
  if (fade > 0.0f) return false;
  fade = 0.0f;
  fadingOut = false;
  active = false;
  return true;
}
