// Loading at start-up and freeing at shutdown.
#include "content/global_initialization_scene.h"

GlobalInitializationScene::GlobalInitializationScene() { active = false; }

GlobalInitializationScene::~GlobalInitializationScene() = default;
