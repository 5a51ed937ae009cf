// The audio tests' common ground: a scratch folder per test, the offline output, and rendering
// in the program's 20 ms passes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bass/bass.h"
#include "tests/platform/bass/media.h"

namespace bass_test {

constexpr unsigned kPassFrames = 882;  // 20 ms at 44100 Hz
constexpr double kBinHz = 44100.0 / 512;

class BassTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const;
  // Writes bytes to a file of the scratch folder and returns its path.
  std::string Put(const std::string& name, const Bytes& bytes) const;

  // Starts the library on the offline output, writing to OutputPath().
  void StartOffline();
  std::string OutputPath() const { return Path("out.wav"); }
  // Renders passes of kPassFrames and returns the interleaved samples of just those frames.
  std::vector<float> Render(int passes = 1);
  // Every sample rendered so far.
  std::vector<float> Rendered() const;

  HSTREAM LoadStream(const std::string& name, const Bytes& bytes);
  HMUSIC LoadMusic(const std::string& name, const Bytes& bytes, DWORD flags);

  // BASS_ChannelGetData with the 512-point FFT.
  std::vector<float> Spectrum(DWORD handle);

 private:
  std::string folder_;
  size_t renderedSamples_ = 0;
};

// The flags the program loads modules with.
constexpr DWORD kModFlags = 0x98300 | 0x4000;
constexpr DWORD kXmFlags = 0x98300 | 0x2000;

// The index of the largest of the values.
size_t Loudest(const std::vector<float>& values);
float Peak(const std::vector<float>& samples);

}  // namespace bass_test
