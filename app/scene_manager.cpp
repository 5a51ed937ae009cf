// Start-up, the frame loop and shutdown of the show.
#include "app/scene_manager.h"

#include <cassert>
#include <memory>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "platform/os/platform.h"

namespace {
std::unique_ptr<SceneManager> instance;
}

SceneManager* SceneManager::Instance() {
  if (!instance) instance = std::make_unique<SceneManager>();
  return instance.get();
}

int SceneManager::Run(int width, int height, int refreshRate, int fullScreen) {
  assert(sceneChain && "wire SceneManager::sceneChain before Run");
  if (graphics) {
    window = graphics->CreateDevice(width, height, refreshRate, fullScreen);
    if (!window) return 1;
  }
  running = true;
  if (graphics) graphics->CreateRenderer();

  scenes = sceneChain();
  assert(scenes.size() >= 2 && "the scene chain starts with the global initialization and logo");
  scenes[1]->Start();
  startedIndex = currentIndex = 1;

  if (running) RunFrameLoop();
  Shutdown();
  return 0;
}

void SceneManager::GoTo(std::uint32_t k) {
  if (startedIndex == k) return;
  currentIndex = k;
  scenes[startedIndex]->Leave();
}

std::uint32_t SceneManager::FrameSleepMilliseconds(float deltaSeconds) {
  if (deltaSeconds >= kFrameSeconds) return 0;
  return std::uint32_t(double(kFrameSeconds - deltaSeconds) * 1000.0);
}

void SceneManager::RunFrameLoop() {
  bool deviceLost = false;
  while (running) {
    if (deviceLost && graphics) deviceLost = !graphics->RecoverDevice();

    if (currentIndex != startedIndex) {
      scenes[currentIndex]->Start();
      startedIndex = currentIndex;
    }

    // active is read before the update, so a scene that ends itself still counts this pass.
    bool anyActive = false;
    for (auto& scene : scenes) {
      if (scene && scene->active) {
        scene->Update();
        anyActive = true;
      }
    }
    if (observer) observer->AfterUpdate();

    FrameTimer* timer = FrameTimer::Instance();
    os::SleepForFrame(FrameSleepMilliseconds(timer->deltaSeconds));
    if (!anyActive) running = false;

    InputState::Instance()->Snapshot();
    timer->Update();
    if (observer) observer->BeforePump();
    PumpMessages();

    if (graphics && !graphics->DrawFrame()) deviceLost = true;
    if (observer && !observer->AfterPass()) running = false;
  }
}

void SceneManager::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) running = false;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void SceneManager::Shutdown() {
  for (auto& scene : scenes) scene.reset();
  scenes.clear();
  FrameTimer::Destroy();
  InputState::Destroy();
  if (graphics) graphics->Destroy();
}
