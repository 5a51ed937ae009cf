// QelCorp: the makers' logo, centred, for the first ten seconds.
#pragma once

#include "app/scene.h"

class QelCorp : public FadingScene {
 public:
  void Update() override;
};
