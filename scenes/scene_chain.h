// The show's scene list, built in its order.
#pragma once

#include <memory>
#include <vector>

#include "app/scene.h"

// 0 global initialization, 1 logo, 2 captions, 3 presents, 4 intro, 5 player; each intro scene
// after the first is given the one before it.
std::vector<std::unique_ptr<Scene>> BuildSceneChain();

// The same chain behind another scene 0 (tests put a stand-in for the loading there).
std::vector<std::unique_ptr<Scene>> BuildSceneChainFrom(std::unique_ptr<Scene> first);
