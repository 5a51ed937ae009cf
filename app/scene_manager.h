// The scene manager: builds the show, runs the frame loop and hands the show from scene to scene.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/frame_graphics.h"
#include "app/scene.h"
#include "platform/os/win32.h"

// Watches the frame loop from outside the show: record mode, the input script and the trace.
class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  // After the update pass: the scenes have queued this pass's drawing and the frame timer still
  // holds the values they saw.
  virtual void AfterUpdate() {}
  // Right before the message pump.
  virtual void BeforePump() {}
  // At the end of every pass; false ends the run after this pass.
  virtual bool AfterPass() { return true; }
};

// Builds the scenes in list order: 0 global initialization, 1 logo, 2 captions, 3 presents,
// 4 intro, 5 player. Scenes live above the shell, so the entry point supplies this.
using SceneChainBuilder = std::function<std::vector<std::unique_ptr<Scene>>()>;

class SceneManager {
 public:
  static constexpr float kFrameSeconds = 0.02f;  // the limiter's target pass length

  // The manager, created on first call with nothing running and no scenes; never freed.
  static SceneManager* Instance();

  // Runs the show in the chosen mode until it ends; returns the process exit status (1 when the
  // window or the device could not be created).
  int Run(int width, int height, int refreshRate, int fullScreen);

  // Hands the show to scene k: the showing scene starts its fade-out now, k starts next pass.
  void GoTo(std::uint32_t k);

  // The limiter's sleep in milliseconds after a pass of deltaSeconds.
  static std::uint32_t FrameSleepMilliseconds(float deltaSeconds);

  bool running = false;
  HWND window = nullptr;
  std::vector<std::unique_ptr<Scene>> scenes;
  std::uint32_t startedIndex = 0;  // the scene most recently started
  std::uint32_t currentIndex = 0;  // the scene to run; started next pass when it differs

  // Wired by the entry point before Run. Without graphics nothing is drawn; without an observer
  // nothing watches.
  FrameGraphics* graphics = nullptr;
  SceneChainBuilder sceneChain;
  FrameObserver* observer = nullptr;

 private:
  void RunFrameLoop();
  void PumpMessages();
  void Shutdown();
};
