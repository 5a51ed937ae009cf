// The graphics layer's side of the frame loop: the device record and the GUI renderer behind the
// shell's FrameGraphics interface.
#pragma once

#include <functional>

#include "app/frame_graphics.h"
#include "platform/d3d9/d3d9.h"

class DeviceFrameGraphics : public FrameGraphics {
 public:
  // Called with the device once the frame is drawn, right before it is presented, so that whoever
  // records the show from above (record mode) can read the back buffer.
  using FrameDrawn = std::function<void(IDirect3DDevice9* device)>;
  void OnFrameDrawn(FrameDrawn hook) { frameDrawn_ = std::move(hook); }

  HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) override;
  void CreateRenderer() override;
  bool RecoverDevice() override;
  bool DrawFrame() override;
  bool Windowed() const override;
  void Destroy() override;

 private:
  FrameDrawn frameDrawn_;
};
