// Record mode's set-up: the show runs offline, each pass of 20 ms of a virtual clock rendering
// exactly its 882 frames of sound into FOLDER/audio.wav, and FrameRecorder writes the pictures.
#pragma once

#include <cstdint>
#include <string>

#include "platform/d3d9/d3d9.h"

class Automation;

// Creates the folder and the sound file and switches the clock and the sound output over; before
// the platform opens. False with a message when the folder or the file cannot be written.
bool StartRecordMode(const std::string& folder, std::string* error);

// Writes every everyNth frame as FOLDER/frame-NNNNNN.png, NNNNNN the automation's pass number from
// 0; called with the drawn frame before it is presented.
class FrameRecorder {
 public:
  // The automation counts the passes; it must outlive the recorder.
  FrameRecorder(std::string folder, int everyNth, const Automation& automation);
  void Write(IDirect3DDevice9* device) const;

 private:
  std::string folder_;
  std::uint64_t every_;
  const Automation& automation_;
};
