// The graphics device record: the main window, the chosen display mode, and the device on it.
#pragma once

#include <cstdint>

#include "platform/os/win32.h"

struct GraphicsDevice {
  // The record; the first call creates the window in the given mode and the device on it.
  static GraphicsDevice* Instance(int width, int height, int refreshRate, int fullScreen);
  // The record once created, else null.
  static GraphicsDevice* Instance();
  // Releases the device, unregisters the window class and frees the record.
  static void Destroy();

  // Creates the device on the window, then shows the window.
  void InitDirect3D();

  HWND window = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t refreshRate = 0;
  std::int32_t fullScreen = 0;
};
