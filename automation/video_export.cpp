// Frames from the device and sound from the offline output into the video file.
#include "automation/video_export.h"

#include <utility>

std::unique_ptr<VideoExport> VideoExport::Open(const std::string& path, int width, int height,
                                               std::string* error) {
  auto file = video::VideoFile::Create(path, width, height, error);
  if (!file) return nullptr;
  return std::unique_ptr<VideoExport>(new VideoExport(std::move(file), width, height));
}

VideoExport::VideoExport(std::unique_ptr<video::VideoFile> file, int width, int height)
    : file_(std::move(file)), frameBytes_(std::size_t(width) * std::size_t(height) * 4) {}

bass::OfflineSink VideoExport::SoundSink() {
  return [this](const float* stereo, unsigned frames) { file_->AddSound(stereo, frames); };
}

void VideoExport::FrameDrawn(std::uint64_t pass, IDirect3DDevice9* device) {
  if (!error_.empty()) return;
  if (!reader_) reader_ = d3d9::FrameReader::Open(device);
  if (!reader_) {
    error_ = "this device cannot read its frames back";
    return;
  }
  // The file has one picture a pass; a pass that drew nothing would shift every later picture.
  if (pass != nextPass_) {
    error_ = "pass " + std::to_string(nextPass_) + " drew no frame";
    return;
  }
  ++nextPass_;
  reader_->Start();
  while (reader_->Pending() > 2) TakeOldest();
}

void VideoExport::DeviceClosing(IDirect3DDevice9*) {
  while (reader_ && reader_->Pending() > 0 && error_.empty()) TakeOldest();
  reader_.reset();
}

void VideoExport::TakeOldest() {
  std::vector<std::uint8_t> picture = file_->PictureBuffer();
  if (!reader_->Take(picture.data(), picture.size()) || picture.size() != frameBytes_) {
    error_ = "a frame could not be read back at the video's size";
    return;
  }
  file_->AddPicture(std::move(picture));
}

bool VideoExport::Finish(std::string* error) {
  bool written = file_->Finish(error);
  if (!error_.empty()) *error = error_;
  return written && error_.empty();
}
