// The state behind the Win32 subset: registered classes, windows, the posted-message queue and
// the shared cursors and icons. Internal to platform/os and to the other platform parts that need
// a window's SDL handle; SDL types are only forward-declared here.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/win32.h"

struct SDL_Window;
struct SDL_Cursor;
struct SDL_Surface;

namespace os {

struct SdlWindowDeleter {
  void operator()(SDL_Window* window) const;
};
struct SdlCursorDeleter {
  void operator()(SDL_Cursor* cursor) const;
};
struct SdlSurfaceDeleter {
  void operator()(SDL_Surface* surface) const;
};
using SdlWindowPtr = std::unique_ptr<SDL_Window, SdlWindowDeleter>;
using SdlCursorPtr = std::unique_ptr<SDL_Cursor, SdlCursorDeleter>;
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceDeleter>;

// Decodes an embedded PNG; null if the resource is missing or unreadable.
SdlSurfacePtr DecodeResourceImage(const unsigned char* bytes, std::size_t size);

// The SDL window behind a window handle (null for null).
SDL_Window* SdlWindow(HWND window);
// The window handle of an SDL window id, or null.
HWND WindowFromSdlId(unsigned int id);

// Everything the windowing calls share; exists while a Platform is open.
struct WindowSystem {
  std::map<std::string, WNDCLASSEXW> classes;
  std::vector<std::unique_ptr<OsWindow>> windows;
  std::deque<MSG> posted;
  std::map<int, SdlCursorPtr> cursors;  // by resource id; IDC_ARROW for the system arrow
  std::map<int, std::vector<SdlSurfacePtr>> icons;
  HCURSOR currentCursor = nullptr;

  static WindowSystem& Get();
  static void Reset();
};

}  // namespace os

struct OsWindow {
  os::SdlWindowPtr sdl;
  WNDPROC procedure;
};
