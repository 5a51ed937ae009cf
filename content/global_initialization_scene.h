// GlobalInitializationScene: a scene only in form. Its constructor loads everything the show
// shares and starts the first song; its destructor frees the music. It is never started.
#pragma once

#include "app/scene.h"

class GlobalInitializationScene : public Scene {
 public:
  GlobalInitializationScene();
  ~GlobalInitializationScene() override;
  void Update() override {}
};
