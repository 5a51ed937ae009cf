// The 512-point magnitude spectrum behind BASS_ChannelGetData: Hann window, real FFT, bins 0 to
// 255 scaled by bass::kFftMagnitudeScale.
#pragma once

#include <cstddef>
#include <memory>

namespace bass {

constexpr size_t kFftFrames = 512;
constexpr size_t kFftBins = kFftFrames / 2;

class MagnitudeFft {
 public:
  MagnitudeFft();
  ~MagnitudeFft();
  MagnitudeFft(const MagnitudeFft&) = delete;
  MagnitudeFft& operator=(const MagnitudeFft&) = delete;

  // mono: kFftFrames samples, oldest first. magnitudes: kFftBins floats, lowest frequency first.
  void Analyze(const float* mono, float* magnitudes);

 private:
  struct Fft;
  std::unique_ptr<Fft> fft_;
};

}  // namespace bass
