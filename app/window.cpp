// Window creation and the window procedure.
#include "app/window.h"

#include "app/input_state.h"
#include "app/scene_manager.h"

const char kWindowClassName[] = "musicdisk";

namespace {
// The move loop of the system; returns when the left button is up again.
void DragWindow(HWND window) {
  POINT cursor;
  GetCursorPos(&cursor);
  LPARAM position = MAKELPARAM(cursor.x, cursor.y);
  SendMessageW(window, WM_NCLBUTTONDOWN, WPARAM(HTCAPTION), position);
  SendMessageW(window, WM_LBUTTONUP, 2, position);
}
}  // namespace

HWND CreateMainWindow(int width, int height) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_CLASSDC;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = module;
  windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(128));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.lpszClassName = kWindowClassName;
  RegisterClassExW(&windowClass);
  return CreateWindowExW(WS_EX_WINDOWEDGE, kWindowClassName, "Orvell", WS_POPUPWINDOW, 10, 100,
                         width, height, nullptr, nullptr, module, nullptr);
}

LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  InputState* input = InputState::Instance();
  switch (message) {
    case WM_CLOSE:
    case WM_QUIT:
      SceneManager::Instance()->running = false;
      return 0;
    case WM_KEYDOWN:
      input->keys[wParam & 0xFF] = 1;
      return 0;
    case WM_KEYUP:
      input->keys[wParam & 0xFF] = 0;
      return 0;
    case WM_MOUSEMOVE: {
      int x = GET_X_LPARAM(lParam);
      int y = GET_Y_LPARAM(lParam);
      input->mouseDeltaX = x - input->mouseX;
      input->mouseDeltaY = y - input->mouseY;
      input->mouseX = x;
      input->mouseY = y;
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_LBUTTONDOWN:
      input->buttons[0] = 1;
      return 0;
    case WM_LBUTTONUP:
      input->buttons[0] = 0;
      return 0;
    case WM_RBUTTONDOWN:
      input->buttons[2] = 1;
      return 0;
    case WM_RBUTTONUP:
      input->buttons[2] = 0;
      return 0;
    case WM_NCHITTEST: {
      // The window procedure only has the handle to go by; the device record knows the mode.
      const FrameGraphics* graphics = SceneManager::Instance()->graphics;
      if (input->buttons[0] && graphics && graphics->Windowed()) DragWindow(window);
      return HTCLIENT;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
