// The application object's start-up: the setup dialog first unless the command line chose the mode,
// the show in the chosen mode after OK, nothing at all after Cancel.
#include "app/orvell_app.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/scene_manager.h"
#include "platform/d3d9/recording_device.h"
#include "platform/os/platform.h"
#include "tests/app/dialog_fakes.h"

namespace {

struct ShowMode {
  int width, height, refreshRate, fullScreen;
  bool operator==(const ShowMode&) const = default;
};

// Remembers the mode the show was started in.
class ModeGraphics : public FrameGraphics {
 public:
  HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) override {
    started = ShowMode{width, height, refreshRate, fullScreen};
    return reinterpret_cast<HWND>(this);
  }
  void CreateRenderer() override {}
  bool RecoverDevice() override { return true; }
  bool DrawFrame() override { return true; }
  bool Windowed() const override { return true; }
  void Destroy() override {}

  std::optional<ShowMode> started;
};

// Ends in its first update, so the show ends after one pass.
class BriefScene : public Scene {
 public:
  void Start() override { active = true; }
  void Update() override { active = false; }
};

class OrvellAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d3d9::UseRecordingDevice(true);
    d3d9::Recording().adapter.desktop = {1920, 1080, 75, D3DFMT_X8R8G8B8};
    d3d9::Recording().adapter.modes = {{800, 600, 60, D3DFMT_X8R8G8B8},
                                       {1024, 768, 75, D3DFMT_X8R8G8B8},
                                       {1920, 1080, 75, D3DFMT_X8R8G8B8}};
    os::UseVirtualClock(0, 20);
    manager->graphics = &graphics;
    manager->sceneChain = [this] {
      ++showsBuilt;
      std::vector<std::unique_ptr<Scene>> scenes;
      scenes.push_back(std::make_unique<BriefScene>());
      scenes.push_back(std::make_unique<BriefScene>());
      return scenes;
    };
  }
  void TearDown() override {
    manager->graphics = nullptr;
    manager->sceneChain = {};
    FrameTimer::Destroy();
    InputState::Destroy();
    os::UseRealClock();
    d3d9::UseRecordingDevice(false);
  }

  int Start(const StartupChoice& choice) { return COrvellApp(choice, host).InitInstance(); }

  SceneManager* manager = SceneManager::Instance();
  ModeGraphics graphics;
  FakeDialogHost host;
  int showsBuilt = 0;
};

TEST_F(OrvellAppTest, OkRunsTheShowInThePreselectedModeWindowed) {
  EXPECT_EQ(Start(StartupChoice{}), 0);
  EXPECT_EQ(host.shown, 1);
  EXPECT_EQ(host.shownTemplate.caption, "Orvell");
  ASSERT_TRUE(graphics.started);
  EXPECT_EQ(*graphics.started, (ShowMode{1024, 768, 75, 0}));
  EXPECT_EQ(showsBuilt, 1);
}

TEST_F(OrvellAppTest, OkRunsTheShowInTheModeAndScreenThePersonChose) {
  host.person = [](FakeControls& controls) {
    controls.SelectListEntry(2);
    controls.ticked = true;
    return IDOK;
  };
  EXPECT_EQ(Start(StartupChoice{}), 0);
  ASSERT_TRUE(graphics.started);
  EXPECT_EQ(*graphics.started, (ShowMode{1920, 1080, 75, 1}));
}

TEST_F(OrvellAppTest, CancelRunsNothingAndEndsWithSuccess) {
  host.person = [](FakeControls& controls) {
    controls.SelectListEntry(2);
    return IDCANCEL;
  };
  EXPECT_EQ(Start(StartupChoice{}), 0);
  EXPECT_EQ(host.shown, 1);
  EXPECT_FALSE(graphics.started);
  EXPECT_EQ(showsBuilt, 0);
}

TEST_F(OrvellAppTest, OkWithAnEmptyListRunsWindowedAt1024x768) {
  d3d9::Recording().adapter.modes.clear();
  host.person = [](FakeControls& controls) {
    controls.ticked = true;
    return IDOK;
  };
  EXPECT_EQ(Start(StartupChoice{}), 0);
  ASSERT_TRUE(graphics.started);
  EXPECT_EQ(*graphics.started, (ShowMode{1024, 768, 60, 0}));
}

TEST_F(OrvellAppTest, ADialogThatCannotBeShownEndsTheProgramWithoutAShow) {
  host.failure = "no way to show a dialog";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Start(StartupChoice{}), 1);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("no way to show a dialog"),
            std::string::npos);
  EXPECT_FALSE(graphics.started);
}

TEST_F(OrvellAppTest, TheCommandLinesModeSkipsTheDialog) {
  StartupChoice noSetup;
  noSetup.skipSetup = true;
  EXPECT_EQ(Start(noSetup), 0);
  EXPECT_EQ(*graphics.started, (ShowMode{1024, 768, 60, 0}));

  StartupChoice mode;
  mode.skipSetup = true;
  mode.mode = DisplayMode{1280, 720, 50};
  mode.fullScreen = true;
  EXPECT_EQ(Start(mode), 0);
  EXPECT_EQ(*graphics.started, (ShowMode{1280, 720, 50, 1}));
  EXPECT_EQ(host.shown, 0);
}

TEST_F(OrvellAppTest, ListModesPrintsTheDialogsEntriesAndRunsNothing) {
  StartupChoice options;
  options.listModes = true;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Start(options), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "800x600x60hz\n1024x768x75hz\n1920x1080x75hz\n");
  EXPECT_EQ(host.shown, 0);
  EXPECT_FALSE(graphics.started);
}

}  // namespace
