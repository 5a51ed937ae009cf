// The video export of an offline run: every drawn frame is read back without stalling the frame
// loop and, with the sound the offline output mixes for the same pass, handed to the video file,
// which encodes and writes on threads of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/device_frame_graphics.h"
#include "platform/bass/offline_output.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/video/video_file.h"

class VideoExport : public FrameSink {
 public:
  // Creates the file for frames of width × height; null with a reason when it cannot.
  static std::unique_ptr<VideoExport> Open(const std::string& path, int width, int height,
                                           std::string* error);

  // For bass::UseOfflineOutput: each pass's 882 frames of sound go into the file beside its
  // picture. The sink refers to this export, which must outlive the audio engine's use of it.
  bass::OfflineSink SoundSink();

  // The picture of pass n is read back once pass n + 2 is drawn, and the last ones as the device
  // closes, so the frame loop never waits for a frame still being drawn.
  void FrameDrawn(std::uint64_t pass, IDirect3DDevice9* device) override;
  void DeviceClosing(IDirect3DDevice9* device) override;

  // Whether every frame has gone well so far; a failed export should end the run.
  bool Healthy() const { return error_.empty() && file_->Healthy(); }
  // Completes the file; false with the first thing that went wrong.
  bool Finish(std::string* error);

 private:
  VideoExport(std::unique_ptr<video::VideoFile> file, int width, int height);
  void TakeOldest();

  std::unique_ptr<video::VideoFile> file_;
  std::unique_ptr<d3d9::FrameReader> reader_;
  std::size_t frameBytes_;
  std::uint64_t nextPass_ = 0;
  std::string error_;
};
