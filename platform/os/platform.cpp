// Starts and stops SDL's video subsystem and tells a real display from SDL's invisible ones.
#include "platform/os/platform.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/os/window_system.h"

namespace {
bool batchMode = false;
std::string dataFolder = "data";
bool platformOpen = false;

bool Set(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

bool HasDisplay() {
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

// Xlib's answer to a lost display is exit(), which runs static destructors against the dead
// connection and can spin there for ever. Leave at once instead.
int LostDisplay(Display*) {
  static const char message[] = "orvell: lost the connection to the display\n";
  ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
  (void)written;
  _exit(1);
}

bool InvisibleDriver(const char* driver) {
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}
}  // namespace

namespace os {

std::unique_ptr<Platform> Platform::Open(bool headless, std::string* error) {
  if (platformOpen) {
    *error = "the platform is already open";
    return nullptr;
  }
  if (!HasDisplay()) {
    if (!headless) {
      // Asking SDL would only find its invisible driver, after noise from the probes.
      *error = "no display (DISPLAY and WAYLAND_DISPLAY are unset); --record DIR runs without one";
      return nullptr;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  } else if (!Set("WAYLAND_DISPLAY")) {
    // Only X is there: spare SDL the Wayland probe and its complaints.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    *error = std::string("cannot open the display (") + SDL_GetError() +
             "); --record DIR runs without one";
    return nullptr;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!headless && InvisibleDriver(driver)) {
    SDL_Quit();
    *error = "cannot open the display; --record DIR runs without one";
    return nullptr;
  }
  if (std::strcmp(driver, "x11") == 0) XSetIOErrorHandler(LostDisplay);
  IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
  platformOpen = true;
  return std::unique_ptr<Platform>(new Platform());
}

Platform::~Platform() {
  WindowSystem::Reset();
  IMG_Quit();
  SDL_Quit();
  platformOpen = false;
}

const char* Platform::VideoDriver() const {
  return SDL_GetCurrentVideoDriver();
}

void SetBatchMode(bool batch) {
  batchMode = batch;
}
bool BatchMode() {
  return batchMode;
}

void SetDataFolder(const std::string& folder) {
  dataFolder = folder;
}

std::string ResolveDataPath(const std::string& path) {
  static const std::string prefix = "data/";
  if (path.compare(0, prefix.size(), prefix) != 0) return path;
  return dataFolder + "/" + path.substr(prefix.size());
}

bool IsRegularFile(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace os
