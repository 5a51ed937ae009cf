// What the frame loop asks of the graphics layer. The shell sits below graphics/, so the entry
// point hands the scene manager the graphics layer's implementation of this interface.
#pragma once

#include "platform/os/win32.h"

class FrameGraphics {
 public:
  virtual ~FrameGraphics() = default;

  // Creates the main window and the device on it and shows the window. Returns the window, or
  // null (after saying why) when the show cannot go on without what failed.
  virtual HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) = 0;
  // Creates the GUI renderer and its default font.
  virtual void CreateRenderer() = 0;
  // One try at recovering a lost device; true once it has been reset.
  virtual bool RecoverDevice() = 0;
  // Clears, renders what the scenes queued and presents; false when the present failed, that is
  // the device is lost. Nothing is drawn without a device.
  virtual bool DrawFrame() = 0;
  // Whether the show runs in a window, which the user may drag; false without a device record.
  virtual bool Windowed() const = 0;
  // Releases the device and then the renderer.
  virtual void Destroy() = 0;
};
