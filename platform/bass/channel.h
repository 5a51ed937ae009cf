// One loaded module or stream: its playback state, set from the main thread and advanced by the
// audio thread, and a record of what it sent to the output for the spectrum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/bass/source.h"

namespace bass {

enum class ChannelState { kStopped, kPlaying, kPaused, kEnded };

class Channel {
 public:
  // Frames of the output timeline the channel remembers, mono: far more than the 512 the
  // spectrum reads plus what any output holds back.
  static constexpr size_t kHistoryFrames = 16384;
  // The largest block MixInto takes.
  static constexpr size_t kMaxBlockFrames = 1024;

  Channel(std::unique_ptr<Source> source, std::uint64_t lengthFrames);
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Main thread. Each change is picked up by the audio thread at its next block.
  void Play(bool restart);
  bool Pause();
  void Stop();
  bool SetPosition(std::uint64_t frame);
  ChannelState State() const;
  // Any thread: the source's length in frames, 0 when unknown.
  std::uint64_t LengthFrames() const { return lengthFrames_; }

  // Main thread: the channel's frames at output timeline frames [end - count, end), mixed to mono;
  // zeros where it did not play or that it no longer remembers.
  void History(std::uint64_t end, float* mono, size_t count) const;

  // Audio thread: if playing, adds the next frames (at most kMaxBlockFrames) into mix and records
  // them at output timeline frame `at`; at the end of the source the channel turns kEnded.
  void MixInto(float* mix, size_t frames, std::uint64_t at);

 private:
  void Record(const float* stereo, size_t frames, std::uint64_t at);

  mutable std::mutex lock_;
  // Guarded by lock_.
  ChannelState state_ = ChannelState::kStopped;
  std::optional<std::uint64_t> pendingSeek_;
  std::uint64_t changes_ = 0;     // counts state changes, so that an end found while the main
                                  // thread changed the state is not applied on top of it
  std::vector<float> history_;    // ring by output timeline frame
  std::uint64_t historyEnd_ = 0;  // timeline frame after the last one recorded
  const std::uint64_t lengthFrames_;
  // Audio thread only.
  std::unique_ptr<Source> source_;
  std::vector<float> block_;
};

}  // namespace bass
