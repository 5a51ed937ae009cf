// Message boxes: SDL's modal box on a display, a line on stderr in batch mode.
#include <SDL2/SDL.h>

#include <cstdio>

#include "platform/os/platform.h"
#include "platform/os/window_system.h"

int MessageBoxW(HWND owner, const char* text, const char* caption, UINT) {
  text = text ? text : "";
  caption = caption ? caption : "";
  if (!os::BatchMode() && SDL_WasInit(SDL_INIT_VIDEO) &&
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, os::SdlWindow(owner)) ==
          0) {
    return IDOK;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
  return IDOK;
}
