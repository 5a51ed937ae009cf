// The graphics layer's side of the frame loop: the device record and the GUI renderer behind the
// shell's FrameGraphics interface, and, in record mode, the frames written as PNG files.
#pragma once

#include <cstdint>
#include <string>

#include "app/frame_graphics.h"

struct IDirect3DDevice9;

// Sees every frame once it is drawn, before it is presented (the video export reads it back).
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
  // Writes every everyNth frame as FOLDER/frame-NNNNNN.png, NNNNNN the pass number from 0.
  void RecordFrames(const std::string& folder, int everyNth);
  // Hands every drawn frame to the sink, which outlives the device.
  void SendFramesTo(FrameSink* sink) { sink_ = sink; }

  HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) override;
  void CreateRenderer() override;
  bool RecoverDevice() override;
  bool DrawFrame() override;
  void Destroy() override;

 private:
  std::string recordFolder_;
  int recordEvery_ = 1;
  FrameSink* sink_ = nullptr;
  std::uint64_t pass_ = 0;
};
