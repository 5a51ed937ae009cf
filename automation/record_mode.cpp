// The offline sound, the virtual clock and the frame files of record mode.
#include "automation/record_mode.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/bass/offline_output.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/os/platform.h"

bool StartRecordMode(const std::string& folder, std::string* error) {
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (failure || !std::filesystem::is_directory(folder)) {
    *error = "cannot create the record folder " + folder;
    return false;
  }
  if (!bass::UseOfflineOutput(folder + "/audio.wav")) {
    *error = "cannot write " + folder + "/audio.wav";
    return false;
  }
  StartOfflineClock();
  return true;
}

void StartOfflineClock() {
  // Each pass of 20 ms renders exactly its 882 frames of sound.
  os::UseVirtualClock(0, 20);
  os::SetVirtualFrameStep([] { bass::RenderOfflineFrames(882); });
}

FrameRecorder::FrameRecorder(std::string folder, int everyNth)
    : folder_(std::move(folder)), every_(everyNth > 0 ? std::uint64_t(everyNth) : 1) {}

void FrameRecorder::FrameDrawn(std::uint64_t pass, IDirect3DDevice9* device) {
  if (pass % every_ != 0) return;
  d3d9::FrameImage frame;
  std::string error;
  char name[32];
  std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(pass));
  if (FAILED(d3d9::CaptureFrame(device, &frame)) ||
      !d3d9::WritePng(frame, folder_ + name, &error)) {
    std::fprintf(stderr, "orvell: cannot write frame %llu: %s\n",
                 static_cast<unsigned long long>(pass), error.c_str());
  }
}
