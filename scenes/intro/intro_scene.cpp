// IntroScene's frame.
#include "scenes/intro/intro_scene.h"

#include <memory>

#include "app/scene_manager.h"
#include "scenes/intro/intro_rules.h"
#include "visualizers/sprite_roto_zoom.h"
#include "visualizers/swirling_cloud.h"

IntroScene::IntroScene(PresentsScene* previous) : previousScene(previous), analyzer(this) {
  analyzer.visualizers.push_back(std::make_unique<SwirlingCloud>(this));
  analyzer.visualizers.push_back(std::make_unique<SpriteRotoZoom>(this));
}

void IntroScene::Update() {
  // Unlike the earlier scenes the intro hands over only once its own fade-out has ended, so the
  // player screen never overlaps it.
  if (StepFade()) {
    SceneManager::Instance()->GoTo(kMainSceneIndex);
    fadingOut = false;
  }
  DrawBackground(1.0f);
  // The cloud's veil follows the fade; the sprites ignore it.
  analyzer.Update(fade, 0.0f);
  if (!fadingOut && active && TimelineSeconds() > 79.0f) {
    fadingOut = true;
    fadingIn = false;
    return;
  }
  if (SkipKeyReleased()) SceneManager::Instance()->GoTo(kMainSceneIndex);
}
