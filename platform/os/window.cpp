// Window classes and windows on SDL2.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include "platform/os/window_system.h"

namespace os {

void SdlWindowDeleter::operator()(SDL_Window* window) const {
  SDL_DestroyWindow(window);
}
void SdlCursorDeleter::operator()(SDL_Cursor* cursor) const {
  SDL_FreeCursor(cursor);
}
void SdlSurfaceDeleter::operator()(SDL_Surface* surface) const {
  SDL_FreeSurface(surface);
}

SdlSurfacePtr DecodeResourceImage(const unsigned char* bytes, std::size_t size) {
  SDL_RWops* stream = SDL_RWFromConstMem(bytes, int(size));
  if (!stream) return nullptr;
  return SdlSurfacePtr(IMG_Load_RW(stream, 1));
}

namespace {
// Deliberately not a static object: an exit() from inside a library must not run SDL's teardown
// from a static destructor. Platform's destructor resets it.
WindowSystem* windowSystem = nullptr;
}  // namespace

WindowSystem& WindowSystem::Get() {
  if (!windowSystem) windowSystem = new WindowSystem();
  return *windowSystem;
}

void WindowSystem::Reset() {
  delete windowSystem;
  windowSystem = nullptr;
}

SDL_Window* SdlWindow(HWND window) {
  return window ? window->sdl.get() : nullptr;
}

HWND WindowFromSdlId(unsigned int id) {
  for (auto& window : WindowSystem::Get().windows) {
    if (SDL_GetWindowID(window->sdl.get()) == id) return window.get();
  }
  return nullptr;
}

}  // namespace os

using os::WindowSystem;

namespace {
// Every handle to "the program's module" is this one.
OsModule* const kModule = reinterpret_cast<OsModule*>(std::uintptr_t(0x400000));
}  // namespace

HINSTANCE GetModuleHandleW(const char*) {
  return kModule;
}

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) return 0;
  auto& classes = WindowSystem::Get().classes;
  if (classes.count(windowClass->lpszClassName)) return 0;
  classes[windowClass->lpszClassName] = *windowClass;
  return ATOM(classes.size());
}

BOOL UnregisterClassW(const char* className, HINSTANCE) {
  return className && WindowSystem::Get().classes.erase(className) ? TRUE : FALSE;
}

HWND CreateWindowExW(DWORD, const char* className, const char* windowName, DWORD style, int x,
                     int y, int width, int height, HWND, void*, HINSTANCE, void*) {
  auto& system = WindowSystem::Get();
  auto found = className ? system.classes.find(className) : system.classes.end();
  if (found == system.classes.end() || width <= 0 || height <= 0) return nullptr;
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  if ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* sdl = SDL_CreateWindow(windowName ? windowName : "", x, y, width, height, flags);
  if (!sdl) return nullptr;
  auto window = std::make_unique<OsWindow>();
  window->sdl.reset(sdl);
  window->procedure = found->second.lpfnWndProc;
  if (HICON icon = found->second.hIcon) {
    auto& images = system.icons[int(reinterpret_cast<std::uintptr_t>(icon))];
    if (!images.empty()) SDL_SetWindowIcon(sdl, images.front().get());
  }
  system.windows.push_back(std::move(window));
  return system.windows.back().get();
}

BOOL ShowWindow(HWND window, int) {
  if (!window) return FALSE;
  SDL_ShowWindow(window->sdl.get());
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  return window ? TRUE : FALSE;
}
