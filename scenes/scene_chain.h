// The show's scene list, built in its order.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/scene.h"
#include "content/analyzer.h"

class MainScene;

// What whoever watches the show from above (the trace) is handed of the scenes being built; empty
// hooks hand nothing.
struct SceneChainHooks {
  SpectrumAnalyzer::RunObserver analyzerRuns;               // set on every scene's analyzer
  std::function<void(const MainScene&)> playerScreenBuilt;  // given the player screen, read-only
};

// 0 global initialization, 1 logo, 2 captions, 3 presents, 4 intro, 5 player; each intro scene
// after the first is given the one before it.
std::vector<std::unique_ptr<Scene>> BuildSceneChain(const SceneChainHooks& hooks = {});

// The same chain behind another scene 0 (tests put a stand-in for the loading there).
std::vector<std::unique_ptr<Scene>> BuildSceneChainFrom(std::unique_ptr<Scene> first,
                                                        const SceneChainHooks& hooks = {});
