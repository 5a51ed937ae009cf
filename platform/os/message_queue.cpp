// The message queue: posted messages, and SDL's input events translated into window messages.
#include <SDL2/SDL.h>

#include <vector>

#include "platform/os/keys.h"
#include "platform/os/platform.h"
#include "platform/os/window_system.h"

using os::WindowSystem;

namespace {

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  GetCursorPos(&msg.pt);
  return msg;
}

// The window an event belongs to. Input that arrives while no window has the keyboard or mouse
// focus (SDL then names no window; a display without a window manager gives none) goes to the
// first window, the program's main window.
HWND TargetWindow(unsigned int sdlWindowId) {
  if (HWND window = os::WindowFromSdlId(sdlWindowId)) return window;
  auto& windows = WindowSystem::Get().windows;
  return windows.empty() ? nullptr : windows.front().get();
}

LPARAM ScreenPointParam() {
  POINT point;
  GetCursorPos(&point);
  return MAKELPARAM(point.x, point.y);
}

// Turns one SDL event into the message a Win32 window would get; false when it makes none.
// Mouse input is first offered to the window as WM_NCHITTEST, as the system does.
bool Translate(const SDL_Event& event, MSG* msg) {
  switch (event.type) {
    case SDL_QUIT: {
      HWND window = TargetWindow(0);
      if (!window) return false;
      *msg = MakeMessage(window, WM_CLOSE, 0, 0);
      return true;
    }
    case SDL_WINDOWEVENT: {
      HWND window = os::WindowFromSdlId(event.window.windowID);
      if (!window || event.window.event != SDL_WINDOWEVENT_CLOSE) return false;
      *msg = MakeMessage(window, WM_CLOSE, 0, 0);
      return true;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      HWND window = TargetWindow(event.key.windowID);
      int vk = os::VirtualKeyFromSdlKey(event.key.keysym.sym);
      if (!window || vk == 0) return false;
      bool down = event.type == SDL_KEYDOWN;
      bool system = (event.key.keysym.mod & KMOD_ALT) || vk == VK_F10 || vk == VK_MENU;
      UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
      LPARAM flags = 1 | (LPARAM(event.key.keysym.scancode & 0xFF) << 16);
      if (event.key.repeat || !down) flags |= LPARAM(1) << 30;
      if (!down) flags |= LPARAM(1) << 31;
      *msg = MakeMessage(window, message, WPARAM(vk), flags);
      return true;
    }
    case SDL_MOUSEMOTION: {
      HWND window = TargetWindow(event.motion.windowID);
      if (!window) return false;
      SendMessageW(window, WM_NCHITTEST, 0, ScreenPointParam());
      *msg = MakeMessage(window, WM_MOUSEMOVE, 0, MAKELPARAM(event.motion.x, event.motion.y));
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      HWND window = TargetWindow(event.button.windowID);
      bool down = event.type == SDL_MOUSEBUTTONDOWN;
      UINT message;
      if (event.button.button == SDL_BUTTON_LEFT) {
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      } else if (event.button.button == SDL_BUTTON_RIGHT) {
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      } else {
        return false;
      }
      if (!window) return false;
      SendMessageW(window, WM_NCHITTEST, 0, ScreenPointParam());
      *msg = MakeMessage(window, message, 0, MAKELPARAM(event.button.x, event.button.y));
      return true;
    }
    default:
      return false;
  }
}

// The system's move loop: the window follows the mouse until the left button comes up. Other
// input that arrives meanwhile is kept for the message queue, as Windows keeps it.
void RunMoveLoop(HWND window) {
  SDL_Window* sdl = os::SdlWindow(window);
  int startMouseX, startMouseY, startX, startY;
  SDL_GetGlobalMouseState(&startMouseX, &startMouseY);
  SDL_GetWindowPosition(sdl, &startX, &startY);
  std::vector<SDL_Event> kept;
  for (;;) {
    int mouseX, mouseY;
    if (!(SDL_GetGlobalMouseState(&mouseX, &mouseY) & SDL_BUTTON_LMASK)) break;
    SDL_SetWindowPosition(sdl, startX + mouseX - startMouseX, startY + mouseY - startMouseY);
    SDL_Event event;
    if (!SDL_WaitEventTimeout(&event, 10)) continue;
    if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) break;
    if (event.type == SDL_QUIT || event.type == SDL_KEYDOWN || event.type == SDL_KEYUP ||
        event.type == SDL_WINDOWEVENT) {
      kept.push_back(event);
      if (event.type == SDL_QUIT) break;
    }
  }
  for (auto& event : kept) SDL_PushEvent(&event);
}

}  // namespace

BOOL PeekMessageW(MSG* msg, HWND, UINT, UINT, UINT removeFlags) {
  auto& posted = WindowSystem::Get().posted;
  if (!posted.empty()) {
    *msg = posted.front();
    if (removeFlags & PM_REMOVE) posted.pop_front();
    return TRUE;
  }
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return FALSE;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (!Translate(event, msg)) continue;
    if (!(removeFlags & PM_REMOVE)) posted.push_front(*msg);
    return TRUE;
  }
  return FALSE;
}

// Character messages are not used by the program.
BOOL TranslateMessage(const MSG*) {
  return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window || !window->procedure) return 0;
  return window->procedure(window, message, wParam, lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem::Get().posted.push_back(MakeMessage(window, message, wParam, lParam));
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  PostMessageW(nullptr, WM_QUIT, WPARAM(exitCode), 0);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_NCLBUTTONDOWN && wParam == WPARAM(HTCAPTION) && os::SdlWindow(window)) {
    RunMoveLoop(window);
  }
  return 0;
}

BOOL GetCursorPos(POINT* point) {
  int x = 0, y = 0;
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GetGlobalMouseState(&x, &y);
  point->x = x;
  point->y = y;
  return TRUE;
}
