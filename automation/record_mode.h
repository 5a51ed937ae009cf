// Record mode's set-up: the show runs offline, each pass of 20 ms of a virtual clock rendering
// exactly its 882 frames of sound into FOLDER/audio.wav, and FrameRecorder writes the pictures.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/device_frame_graphics.h"

// Creates the folder and the sound file and switches the clock and the sound output over; before
// the platform opens. False with a message when the folder or the file cannot be written.
bool StartRecordMode(const std::string& folder, std::string* error);
// The clock alone, for an offline run whose sound output was chosen otherwise (the video export).
void StartOfflineClock();

// Writes every everyNth frame as FOLDER/frame-NNNNNN.png, NNNNNN the pass number from 0.
class FrameRecorder : public FrameSink {
 public:
  FrameRecorder(std::string folder, int everyNth);
  void FrameDrawn(std::uint64_t pass, IDirect3DDevice9* device) override;
  void DeviceClosing(IDirect3DDevice9*) override {}

 private:
  std::string folder_;
  std::uint64_t every_;
};
