// IntroScene: the cloud swirl and the zooming title and credit sprites, until 79 seconds; then it
// fades out to black and hands over to the player screen.
#pragma once

#include "app/scene.h"
#include "content/analyzer.h"

class PresentsScene;

class IntroScene : public FadingScene {
 public:
  // Builds the scene's own analyzer with its two effects, the cloud and then the sprites over it;
  // they set the device's projection and fix their random start now, long before the scene runs.
  explicit IntroScene(PresentsScene* previous);
  void Update() override;

  PresentsScene* previousScene;  // kept, not read; not owned
  SpectrumAnalyzer analyzer;     // drives the effects with this scene's fade; lives for the run
};
