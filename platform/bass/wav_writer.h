// A 32-bit float, stereo, 44100 Hz WAV file written block by block, whose header is brought up
// to date after every block: the file is complete at any moment, even if the program never
// closes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace bass {

class WavWriter {
 public:
  // Null when the file cannot be created.
  static std::unique_ptr<WavWriter> Create(const std::string& path);
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Appends frames (interleaved stereo) and updates the header. False on a write error.
  bool Append(const float* stereo, size_t frames);
  std::uint64_t Frames() const { return frames_; }

 private:
  struct Close {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  explicit WavWriter(std::FILE* file) : file_(file) {}
  bool WriteHeader();

  std::unique_ptr<std::FILE, Close> file_;
  std::uint64_t frames_ = 0;
};

}  // namespace bass
