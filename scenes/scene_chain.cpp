// Builds the scene list.
#include "scenes/scene_chain.h"

#include "content/global_initialization_scene.h"
#include "scenes/intro/intro_scene.h"
#include "scenes/intro/presents_scene.h"
#include "scenes/intro/qel_corp.h"
#include "scenes/intro/qel_scene.h"
#include "scenes/player/main_scene.h"

std::vector<std::unique_ptr<Scene>> BuildSceneChain(const SceneChainHooks& hooks) {
  return BuildSceneChainFrom(std::make_unique<GlobalInitializationScene>(), hooks);
}

std::vector<std::unique_ptr<Scene>> BuildSceneChainFrom(std::unique_ptr<Scene> first,
                                                        const SceneChainHooks& hooks) {
  std::vector<std::unique_ptr<Scene>> scenes;
  scenes.push_back(std::move(first));
  auto logo = std::make_unique<QelCorp>();
  auto captions = std::make_unique<QelScene>(logo.get());
  auto presents = std::make_unique<PresentsScene>(captions.get());
  auto intro = std::make_unique<IntroScene>(presents.get());
  auto player = std::make_unique<MainScene>();
  intro->analyzer.onRun = hooks.analyzerRuns;
  player->analyzer->onRun = hooks.analyzerRuns;
  if (hooks.playerScreenBuilt) hooks.playerScreenBuilt(*player);
  scenes.push_back(std::move(logo));
  scenes.push_back(std::move(captions));
  scenes.push_back(std::move(presents));
  scenes.push_back(std::move(intro));
  scenes.push_back(std::move(player));
  return scenes;
}
