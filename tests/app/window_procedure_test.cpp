// The window procedure turns messages into the input record; scenes see them through the
// per-frame snapshot.
#include "app/window.h"

#include <gtest/gtest.h>

#include "app/input_state.h"
#include "app/scene_manager.h"
#include "platform/os/platform.h"

namespace {

class WindowProcedureTest : public ::testing::Test {
 protected:
  void TearDown() override {
    InputState::Destroy();
    SceneManager::Instance()->running = false;
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return WindowProcedure(nullptr, message, wParam, lParam);
  }
  InputState* input = InputState::Instance();
};

TEST_F(WindowProcedureTest, KeysAreSetAndClearedByVirtualKeyCode) {
  EXPECT_EQ(Send(WM_KEYDOWN, VK_ESCAPE), 0);
  EXPECT_EQ(input->keys[VK_ESCAPE], 1);
  Send(WM_KEYDOWN, VK_ESCAPE);  // auto-repeat
  EXPECT_EQ(input->keys[VK_ESCAPE], 1);
  EXPECT_EQ(Send(WM_KEYUP, VK_ESCAPE), 0);
  EXPECT_EQ(input->keys[VK_ESCAPE], 0);
}

TEST_F(WindowProcedureTest, SystemKeysAreNotRecorded) {
  Send(WM_SYSKEYDOWN, 'A');
  EXPECT_EQ(input->keys[int('A')], 0);
}

TEST_F(WindowProcedureTest, PressAndReleaseWithinOnePumpLeaveNoTrace) {
  input->Snapshot();
  Send(WM_KEYDOWN, VK_SPACE);
  Send(WM_KEYUP, VK_SPACE);
  Send(WM_LBUTTONDOWN);
  Send(WM_LBUTTONUP);
  EXPECT_FALSE(input->KeyPressed(VK_SPACE));
  EXPECT_FALSE(input->KeyReleased(VK_SPACE));
  EXPECT_EQ(input->buttons[0], 0);
  EXPECT_EQ(input->previousButtons[0], 0);
}

TEST_F(WindowProcedureTest, ReleaseShowsBetweenSnapshotAndNow) {
  Send(WM_KEYDOWN, VK_RIGHT);
  input->Snapshot();
  EXPECT_FALSE(input->KeyReleased(VK_RIGHT));
  Send(WM_KEYUP, VK_RIGHT);
  EXPECT_TRUE(input->KeyReleased(VK_RIGHT));
  input->Snapshot();
  EXPECT_FALSE(input->KeyReleased(VK_RIGHT));
}

TEST_F(WindowProcedureTest, MouseDeltaIsBetweenTheLastTwoMovesOnly) {
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(100, 200));
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(110, 190));
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(115, 195));
  EXPECT_EQ(input->mouseX, 115);
  EXPECT_EQ(input->mouseY, 195);
  EXPECT_EQ(input->mouseDeltaX, 5);
  EXPECT_EQ(input->mouseDeltaY, 5);
  input->Snapshot();
  EXPECT_EQ(input->mouseDeltaX, 5);  // not cleared when the mouse stops
}

TEST_F(WindowProcedureTest, MouseCoordinatesAreSignedSixteenBit) {
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(-5, -20));
  EXPECT_EQ(input->mouseX, -5);
  EXPECT_EQ(input->mouseY, -20);
}

TEST_F(WindowProcedureTest, ButtonsLeftAndRightMiddleNever) {
  Send(WM_LBUTTONDOWN);
  Send(WM_RBUTTONDOWN);
  EXPECT_EQ(input->buttons[0], 1);
  EXPECT_EQ(input->buttons[1], 0);
  EXPECT_EQ(input->buttons[2], 1);
  Send(WM_RBUTTONUP);
  EXPECT_EQ(input->buttons[2], 0);
}

TEST_F(WindowProcedureTest, HitTestIsAlwaysClient) {
  EXPECT_EQ(Send(WM_NCHITTEST), HTCLIENT);
}

TEST_F(WindowProcedureTest, CloseAndQuitEndTheRun) {
  SceneManager::Instance()->running = true;
  EXPECT_EQ(Send(WM_CLOSE), 0);
  EXPECT_FALSE(SceneManager::Instance()->running);
  SceneManager::Instance()->running = true;
  Send(WM_QUIT);
  EXPECT_FALSE(SceneManager::Instance()->running);
}

}  // namespace

namespace {

// The mode as the device record would tell it.
class ModeOnly : public FrameGraphics {
 public:
  explicit ModeOnly(bool windowed) : windowed_(windowed) {}
  HWND CreateDevice(int, int, int, int) override { return nullptr; }
  void CreateRenderer() override {}
  bool RecoverDevice() override { return true; }
  bool DrawFrame() override { return true; }
  bool Windowed() const override { return windowed_; }
  void Destroy() override {}

 private:
  bool windowed_;
};

// With a real (offscreen) window: a left press that reaches the hit test in windowed mode runs
// the system's move loop, whose closing WM_LBUTTONUP clears the button.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    platform = os::Platform::Open(true, &error);
    ASSERT_TRUE(platform) << error;
  }
  void TearDown() override {
    SceneManager::Instance()->graphics = nullptr;
    UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr));
    InputState::Destroy();
  }
  std::unique_ptr<os::Platform> platform;
  ModeOnly windowed{true}, fullScreen{false};
};

TEST_F(MainWindowTest, DragInWindowedModeEndsWithTheButtonReleased) {
  SceneManager::Instance()->graphics = &windowed;
  HWND window = CreateMainWindow(320, 240);
  ASSERT_NE(window, nullptr);
  InputState* input = InputState::Instance();
  SendMessageW(window, WM_LBUTTONDOWN, 0, 0);
  ASSERT_EQ(input->buttons[0], 1);
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(input->buttons[0], 0);
}

TEST_F(MainWindowTest, FullScreenNeverDrags) {
  SceneManager::Instance()->graphics = &fullScreen;
  HWND window = CreateMainWindow(320, 240);
  ASSERT_NE(window, nullptr);
  InputState* input = InputState::Instance();
  SendMessageW(window, WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, 0), HTCLIENT);
  EXPECT_EQ(input->buttons[0], 1);
}

TEST_F(MainWindowTest, PostedMessagesReachTheWindowProcedureInOrder) {
  HWND window = CreateMainWindow(320, 240);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_KEYDOWN, 'P', 0);
  PostMessageW(window, WM_KEYUP, 'P', 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
  DispatchMessageW(&msg);
  EXPECT_EQ(InputState::Instance()->keys[int('P')], 1);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageW(&msg);
  EXPECT_EQ(InputState::Instance()->keys[int('P')], 0);
}

}  // namespace
