// The magnitude spectrum on kissfft's real transform.
#include "platform/bass/magnitude_fft.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

#include "platform/bass/bass.h"

namespace bass {

struct MagnitudeFft::Fft {
  struct Free {
    void operator()(kiss_fftr_cfg config) const { kiss_fftr_free(config); }
  };
  std::unique_ptr<std::remove_pointer_t<kiss_fftr_cfg>, Free> config{
      kiss_fftr_alloc(int(kFftFrames), 0, nullptr, nullptr)};
  float window[kFftFrames];
  float input[kFftFrames];
  kiss_fft_cpx output[kFftFrames / 2 + 1];
};

MagnitudeFft::MagnitudeFft() : fft_(std::make_unique<Fft>()) {
  // The periodic Hann window: its mean is exactly 1/2, which the scale constant makes up for.
  for (size_t i = 0; i < kFftFrames; ++i) {
    fft_->window[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / kFftFrames));
  }
}

MagnitudeFft::~MagnitudeFft() = default;

void MagnitudeFft::Analyze(const float* mono, float* magnitudes) {
  for (size_t i = 0; i < kFftFrames; ++i) fft_->input[i] = mono[i] * fft_->window[i];
  kiss_fftr(fft_->config.get(), fft_->input, fft_->output);
  for (size_t k = 0; k < kFftBins; ++k) {
    magnitudes[k] = kFftMagnitudeScale * std::hypot(fft_->output[k].r, fft_->output[k].i);
  }
}

}  // namespace bass
