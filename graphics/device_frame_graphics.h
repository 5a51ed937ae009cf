// The graphics layer's side of the frame loop: the device record and the GUI renderer behind the
// shell's FrameGraphics interface.
#pragma once

#include "app/frame_graphics.h"

class DeviceFrameGraphics : public FrameGraphics {
 public:
  HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) override;
  void CreateRenderer() override;
  bool RecoverDevice() override;
  bool DrawFrame() override;
  void Destroy() override;
};
