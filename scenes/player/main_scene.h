// MainScene: the player screen. It stays until Escape is released, then fades picture and sound
// out; when the fade ends no scene is active and the show is over.
#pragma once

#include <cstdint>

#include "app/scene.h"

class MainScene : public FadingScene {
 public:
  // The fade-out always starts from full.
  void Leave() override;
  void Update() override;

  bool quitting = false;
  std::uint32_t savedVolume = 0;
};
