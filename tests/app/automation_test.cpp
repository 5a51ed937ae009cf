// Automation drives the real frame loop: the script's input reaches the scenes, the trace
// writes one line per pass, the pass limit ends the run.
#include "app/automation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/window.h"
#include "platform/os/platform.h"

namespace {

int releasedAtPass = -1;

class CountingScene : public FadingScene {
 public:
  void Update() override {
    StepFade();
    if (InputState::Instance()->KeyReleased('A')) releasedAtPass = updates;
    ++updates;
  }
  int updates = 0;
};

class PlainScene : public Scene {
 public:
  void Update() override {}
};

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::UseVirtualClock(0, 20);
    manager->graphics = nullptr;
    manager->observer = &automation;
    manager->sceneChain = [] {
      std::vector<std::unique_ptr<Scene>> scenes;
      scenes.push_back(std::make_unique<PlainScene>());
      scenes.push_back(std::make_unique<CountingScene>());
      return scenes;
    };
  }
  void TearDown() override {
    manager->observer = nullptr;
    manager->sceneChain = {};
    os::UseRealClock();
    std::remove(tracePath.c_str());
  }
  std::vector<std::string> TraceLines() {
    std::ifstream file(tracePath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

  SceneManager* manager = SceneManager::Instance();
  Automation automation{manager};
  // ctest runs each test in a process of its own, two at a time: a shared trace file would be
  // removed by one test's tear-down while the other writes it.
  std::string tracePath = ::testing::TempDir() + "automation-trace-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                          ".jsonl";
};

TEST_F(AutomationTest, PassLimitEndsTheRunAfterThatManyPasses) {
  automation.SetPassLimit(7);
  manager->Run(640, 480, 60, 0);
  EXPECT_EQ(automation.Pass(), 7u);
}

TEST_F(AutomationTest, TraceWritesEveryPassWithTimesAndScenes) {
  std::string error;
  ASSERT_TRUE(automation.OpenTrace(tracePath, &error)) << error;
  automation.AddTraceSection([](JsonLine& line) { line.Key("extra").Integer(42); });
  automation.SetPassLimit(3);
  manager->Run(640, 480, 60, 0);
  auto lines = TraceLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"({"frame":0,"t":0,"dt":0,"scenes":[{"active":false,"fade":null},)"
                      R"({"active":true,"fade":0}],"extra":42})");
  EXPECT_EQ(lines[2], R"({"frame":2,"t":0.04,"dt":0.02,"scenes":[{"active":false,"fade":null},)"
                      R"({"active":true,"fade":0.04}],"extra":42})");
}

// Graphics that only make the main window, so posted input reaches the window procedure.
class WindowOnlyGraphics : public FrameGraphics {
 public:
  HWND CreateDevice(int width, int height, int, int fullScreen) override {
    return CreateMainWindow(width, height, fullScreen);
  }
  void CreateRenderer() override {}
  bool RecoverDevice() override { return true; }
  bool DrawFrame() override {
    ++draws;
    return true;
  }
  void Destroy() override { UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr)); }
  int draws = 0;
};

TEST_F(AutomationTest, PassEndSectionsComeLastAndSeeTheirPassDrawn) {
  std::string error;
  auto platform = os::Platform::Open(true, &error);
  ASSERT_TRUE(platform) << error;
  ASSERT_TRUE(automation.OpenTrace(tracePath, &error)) << error;
  WindowOnlyGraphics graphics;
  manager->graphics = &graphics;
  automation.AddPassEndTraceSection(
      [&graphics](JsonLine& line) { line.Key("drawn").Integer(graphics.draws); });
  automation.AddTraceSection([](JsonLine& line) { line.Key("extra").Integer(42); });
  automation.SetPassLimit(2);
  manager->Run(640, 480, 60, 0);
  manager->graphics = nullptr;
  auto lines = TraceLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], R"({"frame":1,"t":0.02,"dt":0.02,"scenes":[{"active":false,"fade":null},)"
                      R"({"active":true,"fade":0.02}],"extra":42,"drawn":2})");
}

TEST_F(AutomationTest, ScriptedKeyPressIsSeenAsAReleaseTwoPassesLater) {
  std::string error;
  auto platform = os::Platform::Open(true, &error);
  ASSERT_TRUE(platform) << error;
  WindowOnlyGraphics graphics;
  manager->graphics = &graphics;
  std::vector<ScriptEvent> events;
  ASSERT_TRUE(ParseInputScript("0.1 key press A\n", &events, &error));
  automation.SetScript(std::move(events));
  automation.SetPassLimit(20);
  releasedAtPass = -1;
  manager->Run(640, 480, 60, 0);
  manager->graphics = nullptr;
  // The timer reaches 0.1 in pass 4: the key goes down in that pass's pump and up in pass 5's,
  // so the scenes of pass 6 see the release.
  EXPECT_EQ(releasedAtPass, 6);
}

TEST_F(AutomationTest, UnwritableTraceIsRefused) {
  std::string error;
  EXPECT_FALSE(automation.OpenTrace(::testing::TempDir() + "no/such/dir/trace.jsonl", &error));
  EXPECT_NE(error.find("trace"), std::string::npos);
}

}  // namespace
