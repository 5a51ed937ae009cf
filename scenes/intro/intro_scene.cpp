// IntroScene's frame.
#include "scenes/intro/intro_scene.h"

#include "app/frame_timer.h"
#include "app/scene_manager.h"
#include "scenes/intro/intro_rules.h"

void IntroScene::Update() {
  // Unlike the earlier scenes the intro hands over only once its own fade-out has ended, so the
  // player screen never overlaps it.
  if (StepFade()) {
    SceneManager::Instance()->GoTo(kMainSceneIndex);
    fadingOut = false;
  }
  if (!fadingOut && active && FrameTimer::Instance()->totalSeconds > 79.0f) {
    fadingOut = true;
    fadingIn = false;
    return;
  }
  if (SkipKeyReleased()) SceneManager::Instance()->GoTo(kMainSceneIndex);
}
