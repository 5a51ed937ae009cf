// The intro chain's timed hand-overs and skips, run through the real frame loop on the virtual
// clock, drawing on the recording device.
#include <gtest/gtest.h>

#include <map>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/scene_manager.h"
#include "graphics/device_frame_graphics.h"
#include "platform/os/platform.h"
#include "tests/scenes/intro_fixture.h"

namespace intro_test {
namespace {

// Notes the timer value of the pass in which each scene index was first asked for, and can press
// keys between passes.
class Watcher : public FrameObserver {
 public:
  void AfterUpdate() override {
    SceneManager* manager = SceneManager::Instance();
    float t = FrameTimer::Instance()->totalSeconds;
    if (!requestedAt.count(manager->currentIndex)) requestedAt[manager->currentIndex] = t;
    for (std::uint32_t i = 0; i < manager->scenes.size(); ++i) {
      if (manager->scenes[i]->active && !activeFrom.count(i)) activeFrom[i] = t;
    }
    auto* player = static_cast<const MainScene*>(manager->scenes[5].get());
    if (player->fadingOut) playerLeft = true;
    lastT = t;
  }
  void BeforePump() override {
    InputState* input = InputState::Instance();
    float t = FrameTimer::Instance()->totalSeconds;
    if (releaseAt > 0 && t >= releaseAt - 0.0001f && t < releaseAt + 0.0201f) {
      input->keys[key] = 1;
    } else if (input->keys[key] && t >= releaseAt + 0.0201f) {
      input->keys[key] = 0;
    }
  }
  bool AfterPass() override {
    // Over thousands of passes the device's log would only grow; nothing here reads it.
    d3d9::Recording().ClearCalls();
    return lastT < stopAt;
  }

  std::map<std::uint32_t, float> requestedAt;
  std::map<std::uint32_t, float> activeFrom;
  bool playerLeft = false;
  float lastT = 0;
  float stopAt = 0;
  float releaseAt = -1;  // the key is down for one pass from here, then up
  int key = VK_SPACE;
};

class IntroChainTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    os::UseVirtualClock(0, 20);
    manager->graphics = &graphics;
    manager->observer = &watcher;
    manager->sceneChain = IntroChain;
  }
  void TearDown() override {
    manager->graphics = nullptr;
    manager->observer = nullptr;
    manager->sceneChain = {};
    os::UseRealClock();
    RecordingDeviceTest::TearDown();
  }
  SceneManager* manager = SceneManager::Instance();
  DeviceFrameGraphics graphics;
  Watcher watcher;
};

TEST_F(IntroChainTest, CuesFireInTheFirstPassStrictlyAfterTheirTime) {
  watcher.stopAt = 82.0f;
  manager->Run(1024, 768, 60, 0);
  EXPECT_FLOAT_EQ(watcher.requestedAt[2], 10.02f);
  EXPECT_FLOAT_EQ(watcher.requestedAt[3], 35.02f);
  EXPECT_FLOAT_EQ(watcher.requestedAt[4], 44.02f);
  // The intro starts fading at the first pass after 79 and hands over only when it has faded:
  // fifty steps of 0.02 leave a single-precision remainder above zero, so it takes fifty-one.
  EXPECT_FLOAT_EQ(watcher.requestedAt[5], 80.04f);
  EXPECT_FLOAT_EQ(watcher.activeFrom[5], 80.06f);
}

TEST_F(IntroChainTest, ASkipDuringTheLogoNeverStartsTheCaptions) {
  watcher.stopAt = 40.0f;
  watcher.releaseAt = 5.0f;
  manager->Run(1024, 768, 60, 0);
  EXPECT_EQ(watcher.activeFrom.count(2), 0u);
  EXPECT_EQ(watcher.activeFrom.count(3), 0u);
  EXPECT_NEAR(watcher.activeFrom[5], 5.06f, 1e-4);
}

TEST_F(IntroChainTest, ASkipDuringTheIntrosFadeOutHandsOverOnce) {
  watcher.stopAt = 82.0f;
  watcher.releaseAt = 79.5f;
  watcher.key = VK_ESCAPE;
  manager->Run(1024, 768, 60, 0);
  EXPECT_NEAR(watcher.activeFrom[5], 79.56f, 1e-4);
  // The intro's own end found the player already started and left it alone.
  EXPECT_FALSE(watcher.playerLeft);
  EXPECT_EQ(watcher.requestedAt.count(4), 1u);
}

}  // namespace
}  // namespace intro_test
