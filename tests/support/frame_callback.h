// A frame sink that hands each drawn frame to a function, for tests that read back what the GL
// device drew, as record mode does between drawing and presenting.
#pragma once

#include <functional>
#include <utility>

#include "graphics/device_frame_graphics.h"

class FrameCallback : public FrameSink {
 public:
  explicit FrameCallback(std::function<void(IDirect3DDevice9*)> drawn) : drawn_(std::move(drawn)) {}
  void FrameDrawn(std::uint64_t, IDirect3DDevice9* device) override { drawn_(device); }
  void DeviceClosing(IDirect3DDevice9*) override {}

 private:
  std::function<void(IDirect3DDevice9*)> drawn_;
};
