// PresentsScene: the presents caption over the background until 44 seconds.
#pragma once

#include "app/scene.h"

class QelScene;

class PresentsScene : public FadingScene {
 public:
  explicit PresentsScene(QelScene* previous) : previousScene(previous) {}
  void Update() override;

  QelScene* previousScene;  // the scene before in the chain; not owned
};
