// IntroScene: the cloud swirl and the zooming title and credit sprites, until 79 seconds; then it
// fades out to black and hands over to the player screen.
#pragma once

#include "app/scene.h"

class PresentsScene;

class IntroScene : public FadingScene {
 public:
  explicit IntroScene(PresentsScene* previous) : previousScene(previous) {}
  void Update() override;

  PresentsScene* previousScene;  // kept, not read; not owned
};
