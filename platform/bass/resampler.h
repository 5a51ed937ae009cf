// Sample-rate conversion of a stereo stream by a fixed ratio: a windowed-sinc interpolator fed in
// pieces, so a stream can be converted while it plays. Equal rates pass frames through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace bass {

class Resampler {
 public:
  // Rates in frames per second, both above 0.
  Resampler(unsigned inputRate, unsigned outputRate);

  // How many input frames Push accepts now.
  size_t Space() const;
  // Queues up to Space() input frames (interleaved stereo); returns how many it took.
  size_t Push(const float* stereo, size_t frames);
  // No more input will come: the tail is released, and the output ends after
  // ceil(inputFrames * outputRate / inputRate) frames in all.
  void Finish();
  // Writes up to maxFrames converted frames; fewer when it needs input (or has ended).
  size_t Pull(float* stereo, size_t maxFrames);
  // True once Finish was called and every output frame pulled.
  bool Ended() const;
  // Forgets all input and output, as if just constructed.
  void Reset();

 private:
  bool Passthrough() const { return inputRate_ == outputRate_; }
  size_t Buffered() const { return end_ - start_; }
  void Compact();

  unsigned inputRate_;
  unsigned outputRate_;
  // (phases + 1) rows of 2 * kHalfWidth coefficients, shared by every resampler of the same rates
  std::shared_ptr<const std::vector<float>> taps_;
  std::vector<float> buffer_;  // stereo input frames, the first start_ already consumed
  size_t start_ = 0;
  size_t end_ = 0;
  bool finished_ = false;
  // Position of the next output frame in input frames: whole_ + fraction_ / outputRate_, whole_
  // counted from buffer_[start_].
  std::uint64_t fraction_ = 0;
  std::uint64_t inputTotal_ = 0;    // input frames pushed since Reset
  std::uint64_t outputTotal_ = 0;   // output frames pulled since Reset
  std::uint64_t outputLength_ = 0;  // known once finished
};

}  // namespace bass
