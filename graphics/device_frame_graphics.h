// The graphics layer's side of the frame loop: the device record and the GUI renderer behind the
// shell's FrameGraphics interface.
#pragma once

#include <cstdint>
#include <optional>

#include "app/frame_graphics.h"
#include "platform/d3d9/d3d9.h"

struct IDirect3DDevice9;

// Sees every frame once it is drawn, before it is presented: whoever records the show from above
// (record mode's pictures, the video export) reads the back buffer there.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // The frame of this pass, from 0, is in the device's back buffer.
  virtual void FrameDrawn(std::uint64_t pass, IDirect3DDevice9* device) = 0;
  // The device is about to go: the last moment to read back what is still pending.
  virtual void DeviceClosing(IDirect3DDevice9* device) = 0;
};

class DeviceFrameGraphics : public FrameGraphics {
 public:
  // Hands every drawn frame to the sink (record mode's pictures, the video export), which outlives
  // the device.
  void SendFramesTo(FrameSink* sink) { sink_ = sink; }

  HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) override;
  void CreateRenderer() override;
  bool RecoverDevice() override;
  bool DrawFrame() override;
  bool Windowed() const override;
  void Destroy() override;

  // When this pass's frame was presented, in seconds of the system's monotonic clock
  // (CLOCK_MONOTONIC, the clock a sync measurement timestamps what it hears in); nothing when the
  // pass presented none.
  std::optional<double> PresentSeconds() const { return presentSeconds_; }

 private:
  FrameSink* sink_ = nullptr;
  std::uint64_t pass_ = 0;
  std::optional<double> presentSeconds_;
};
