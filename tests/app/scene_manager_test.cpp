// The frame loop's order, the hand-over protocol and shutdown, on fake scenes and fake graphics.
#include "app/scene_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "platform/os/platform.h"

namespace {

std::vector<std::string> events;

class FakeScene : public FadingScene {
 public:
  FakeScene(int index, std::function<void(FakeScene&)> onUpdate = {})
      : index_(index), onUpdate_(std::move(onUpdate)) {}
  ~FakeScene() override {
    // Reading the timer here would create a fresh one if it were already gone.
    lastTotalSeen = FrameTimer::Instance()->totalSeconds;
    events.push_back("destroy " + std::to_string(index_));
  }
  void Start() override {
    FadingScene::Start();
    events.push_back("start " + std::to_string(index_));
  }
  void Leave() override {
    FadingScene::Leave();
    events.push_back("leave " + std::to_string(index_));
  }
  void Update() override {
    StepFade();
    ++updates;
    if (onUpdate_) onUpdate_(*this);
  }
  int updates = 0;
  static inline float lastTotalSeen = 0;

 private:
  int index_;
  std::function<void(FakeScene&)> onUpdate_;
};

class FakeGraphics : public FrameGraphics {
 public:
  HWND CreateDevice(int, int, int, int) override {
    events.push_back("device");
    return failCreate ? nullptr : reinterpret_cast<HWND>(this);
  }
  void CreateRenderer() override { events.push_back("renderer"); }
  bool RecoverDevice() override {
    events.push_back("recover");
    return recoverSucceeds;
  }
  bool DrawFrame() override {
    ++frames;
    return presentFailuresLeft-- <= 0;
  }
  bool Windowed() const override { return true; }
  void Destroy() override { events.push_back("graphics destroyed"); }
  bool failCreate = false;
  bool recoverSucceeds = true;
  int presentFailuresLeft = 0;
  int frames = 0;
};

class SceneManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    os::UseVirtualClock(0, 20);
    manager->graphics = &graphics;
    manager->observer = nullptr;
  }
  void TearDown() override {
    os::UseRealClock();
    manager->graphics = nullptr;
    manager->sceneChain = {};
    FrameTimer::Destroy();
    InputState::Destroy();
  }
  // Six fake scenes; scene i runs behaviour[i] in its updates.
  void Chain(std::vector<std::function<void(FakeScene&)>> behaviour) {
    behaviour.resize(6);
    manager->sceneChain = [behaviour, this] {
      std::vector<std::unique_ptr<Scene>> scenes;
      for (int i = 0; i < 6; ++i) {
        auto scene = std::make_unique<FakeScene>(i, behaviour[i]);
        fakes[i] = scene.get();
        scenes.push_back(std::move(scene));
      }
      return scenes;
    };
  }
  // Ends the run after the given number of passes.
  static std::function<void(FakeScene&)> StopAfter(int passes) {
    return [passes](FakeScene& scene) {
      if (scene.updates == passes) SceneManager::Instance()->running = false;
    };
  }

  SceneManager* manager = SceneManager::Instance();
  FakeGraphics graphics;
  FakeScene* fakes[6] = {};
};

TEST(FrameLimiter, SleepsTheRestOfTwentyMillisecondsTruncated) {
  EXPECT_EQ(SceneManager::FrameSleepMilliseconds(0.0f), 19u);
  EXPECT_EQ(SceneManager::FrameSleepMilliseconds(0.005f), 14u);
  EXPECT_EQ(SceneManager::FrameSleepMilliseconds(0.018f), 2u);
  EXPECT_EQ(SceneManager::FrameSleepMilliseconds(0.019f), 1u);
  EXPECT_EQ(SceneManager::FrameSleepMilliseconds(0.02f), 0u);
  EXPECT_EQ(SceneManager::FrameSleepMilliseconds(0.5f), 0u);
}

TEST_F(SceneManagerTest, StartsTheLogoDirectlyAndNothingInTheFirstPass) {
  bool checked = false;
  Chain({{}, [&](FakeScene& scene) {
           if (scene.updates != 1) return;
           checked = true;
           EXPECT_EQ(manager->startedIndex, 1u);
           EXPECT_EQ(manager->currentIndex, 1u);
           for (int i : {0, 2, 3, 4, 5}) EXPECT_FALSE(fakes[i]->active) << i;
           manager->running = false;
         }});
  EXPECT_EQ(manager->Run(640, 480, 60, 0), 0);
  EXPECT_TRUE(checked);
  std::vector<std::string> startup(events.begin(), events.begin() + 3);
  EXPECT_EQ(startup, (std::vector<std::string>{"device", "renderer", "start 1"}));
  EXPECT_EQ(std::count(events.begin(), events.end(), "start 1"), 1);
}

TEST_F(SceneManagerTest, GoToTheStartedSceneDoesNothing) {
  Chain({{}, [&](FakeScene& scene) {
           manager->GoTo(1);
           if (scene.updates == 3) manager->running = false;
         }});
  manager->Run(640, 480, 60, 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), "leave 1"), 0);
  EXPECT_EQ(manager->currentIndex, 1u);
}

TEST_F(SceneManagerTest, HandOverLeavesNowAndStartsTheNextPassWithBothFading) {
  Chain({{},
         [&](FakeScene& scene) {
           if (scene.updates == 60) manager->GoTo(5);  // fully faded in by now
         },
         {},
         {},
         {},
         [&](FakeScene& scene) {
           if (scene.updates == 1) {
             EXPECT_TRUE(fakes[1]->active);
             EXPECT_TRUE(fakes[1]->fadingOut);
             EXPECT_LT(fakes[1]->fade, 1.0f);
             EXPECT_NEAR(scene.fade, 0.02f, 1e-6);
           }
           if (scene.updates == 100) manager->running = false;
         }});
  manager->Run(640, 480, 60, 0);
  auto leave = std::find(events.begin(), events.end(), "leave 1");
  ASSERT_NE(leave, events.end());
  EXPECT_EQ(*(leave + 1), "start 5");
  EXPECT_EQ(manager->startedIndex, 5u);
}

TEST_F(SceneManagerTest, ThePassThatFindsNoSceneActiveStillPumpsAndDraws) {
  Chain({{}, [&](FakeScene& scene) {
           if (scene.updates == 3) scene.active = false;
         }});
  int passesAfter = 0;
  struct Counter : FrameObserver {
    int* pumps;
    void BeforePump() override { ++*pumps; }
  } counter;
  counter.pumps = &passesAfter;
  manager->observer = &counter;
  manager->Run(640, 480, 60, 0);
  // Three passes with the scene active, then one that finds none and still runs to the end.
  EXPECT_EQ(passesAfter, 4);
  EXPECT_EQ(graphics.frames, 4);
  EXPECT_FALSE(manager->running);
}

TEST_F(SceneManagerTest, ScenesAreDestroyedInOrderBeforeTheSingletons) {
  Chain({{}, StopAfter(5)});
  manager->Run(640, 480, 60, 0);
  std::vector<std::string> tail(events.end() - 7, events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"destroy 0", "destroy 1", "destroy 2", "destroy 3",
                                            "destroy 4", "destroy 5", "graphics destroyed"}));
  // The timer was still the running one when the last scene went.
  EXPECT_FLOAT_EQ(FakeScene::lastTotalSeen, 0.1f);
  EXPECT_TRUE(manager->scenes.empty());
}

TEST_F(SceneManagerTest, ALostDeviceIsRecoveredAtTheTopOfLaterPasses) {
  graphics.presentFailuresLeft = 1;
  graphics.recoverSucceeds = false;
  Chain({{}, [&](FakeScene& scene) {
           if (scene.updates == 4) graphics.recoverSucceeds = true;
           if (scene.updates == 8) manager->running = false;
         }});
  manager->Run(640, 480, 60, 0);
  // Present fails in pass 1; passes 2 to 4 try and fail, pass 5 succeeds; no tries after.
  EXPECT_EQ(std::count(events.begin(), events.end(), "recover"), 4);
}

TEST_F(SceneManagerTest, AQuitMessageEndsTheLoopAfterItsPass) {
  Chain({{}, [&](FakeScene& scene) {
           if (scene.updates == 2) PostQuitMessage(0);
         }});
  manager->Run(640, 480, 60, 0);
  EXPECT_EQ(graphics.frames, 2);
}

TEST_F(SceneManagerTest, AFailedDeviceEndsTheRunWithStatusOne) {
  graphics.failCreate = true;
  Chain({});
  EXPECT_EQ(manager->Run(640, 480, 60, 0), 1);
  EXPECT_EQ(events, std::vector<std::string>{"device"});
}

TEST_F(SceneManagerTest, ScenesSeeTheTimerOfThePassBefore) {
  std::vector<float> seen;
  Chain({{}, [&](FakeScene& scene) {
           seen.push_back(FrameTimer::Instance()->totalSeconds);
           if (scene.updates == 4) manager->running = false;
         }});
  manager->Run(640, 480, 60, 0);
  EXPECT_EQ(seen, (std::vector<float>{0.0f, 0.02f, 0.04f, 0.06f}));
}

}  // namespace
