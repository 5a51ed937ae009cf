// A video file of the show written through FFmpeg's libraries: .mp4 holds H.264 (yuv420p) with
// AAC, .mkv H.264 with 24-bit FLAC; 50 pictures a second and 44100 Hz stereo sound. Pictures and
// sound are handed over on the caller's thread and encoded and written on two threads of the
// file's own, so the caller only waits when it runs more than a few pictures ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace video {

constexpr int kPicturesPerSecond = 50;
constexpr int kSampleRate = 44100;

// Whether path ends in a kind of video file we write (.mp4 or .mkv, any case); otherwise false
// with a message that lists them.
bool IsVideoPath(const std::string& path, std::string* error);

class VideoFile {
 public:
  // Creates (or empties) the file for pictures of width × height pixels, both even. Null with a
  // reason when the name, the size, a codec or the file does not work.
  static std::unique_ptr<VideoFile> Create(const std::string& path, int width, int height,
                                           std::string* error);
  virtual ~VideoFile() = default;

  // A buffer for the next picture: width × height RGBA pixels, 4 bytes each, rows bottom up (as
  // OpenGL reads them). Taken from a small pool; waits while every buffer is still queued.
  virtual std::vector<std::uint8_t> PictureBuffer() = 0;
  // Queues the next picture, shown for 1/50 s after the one before (the first at time 0).
  virtual void AddPicture(std::vector<std::uint8_t> rgba) = 0;
  // Queues the next frames of interleaved stereo sound in [-1, 1], following the ones before
  // (the first at time 0).
  virtual void AddSound(const float* stereo, std::size_t frames) = 0;

  // False once encoding or writing has failed; Finish then says why.
  virtual bool Healthy() const = 0;
  // Encodes what is queued, drains the encoders and completes the file. False with the first
  // error that happened. Call once; nothing may be added afterwards.
  virtual bool Finish(std::string* error) = 0;
};

}  // namespace video
