// QelScene: three caption strips over the background, then the closing picture, until 35 seconds.
#pragma once

#include "app/scene.h"

class QelCorp;

class QelScene : public FadingScene {
 public:
  explicit QelScene(QelCorp* previous) : previousScene(previous) {}
  void Update() override;

  QelCorp* previousScene;  // the scene before in the chain; not owned
};
