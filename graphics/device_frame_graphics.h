// The graphics layer's side of the frame loop: the device record and the GUI renderer behind the
// shell's FrameGraphics interface, and, in record mode, the frames written as PNG files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/frame_graphics.h"

class DeviceFrameGraphics : public FrameGraphics {
 public:
  // Writes every everyNth frame as FOLDER/frame-NNNNNN.png, NNNNNN the pass number from 0.
  void RecordFrames(const std::string& folder, int everyNth);

  HWND CreateDevice(int width, int height, int refreshRate, int fullScreen) override;
  void CreateRenderer() override;
  bool RecoverDevice() override;
  bool DrawFrame() override;
  void Destroy() override;

  // When this pass's frame was presented, in seconds of the system's monotonic clock
  // (CLOCK_MONOTONIC, the clock a sync measurement timestamps what it hears in); nothing when the
  // pass presented none.
  std::optional<double> PresentSeconds() const { return presentSeconds_; }

 private:
  std::string recordFolder_;
  int recordEvery_ = 1;
  std::uint64_t pass_ = 0;
  std::optional<double> presentSeconds_;
};
