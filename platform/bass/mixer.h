// The table of channels and the mix of everything playing: sums the channels, applies the output
// volume, keeps samples finite and in [-1, 1], and keeps the output timeline that tells which
// frame is being heard now.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/bass/channel.h"

namespace bass {

class Mixer {
 public:
  using Clock = std::chrono::steady_clock;

  Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // Main thread.
  void Add(std::uint32_t handle, std::shared_ptr<Channel> channel);
  std::shared_ptr<Channel> Find(std::uint32_t handle) const;
  bool Remove(std::uint32_t handle);
  void SetVolume(unsigned percent);  // 0 to 100
  unsigned Volume() const;

  // How the output hands frames on, set before it starts (and again by an output that changes
  // how it plays). latencyFrames: frames between the end of the last mixed block and the frame
  // heard as that block is handed over. realTime: the output then plays on by the clock until the
  // next block; otherwise (offline) the last mixed frame is the one heard.
  void SetOutputTiming(std::uint64_t latencyFrames, bool realTime);
  // Output thread, for an output whose sound server says how far behind the mix the sound is: at
  // `at`, latencyFrames of the frames mixed so far were still to be heard. From then on the sound
  // plays on by the clock, never past the last frame mixed. Lasts until SetOutputTiming.
  void ReportLatency(std::uint64_t latencyFrames, Clock::time_point at);
  // The output timeline frame being heard at `now`: frames before it have been played.
  std::uint64_t HeardFrame(Clock::time_point now) const;
  std::uint64_t HeardFrame() const { return HeardFrame(Clock::now()); }

  // Audio thread: mixes the next frames into out (interleaved stereo).
  void Mix(float* out, size_t frames);

 private:
  mutable std::mutex channelsLock_;
  std::map<std::uint32_t, std::shared_ptr<Channel>> channels_;
  unsigned volume_ = 100;  // guarded by channelsLock_

  mutable std::mutex timingLock_;
  std::uint64_t mixedFrames_ = 0;
  std::uint64_t lastBlockFrames_ = 0;
  Clock::time_point lastMixTime_;
  std::uint64_t latencyFrames_ = 0;
  bool realTime_ = false;
  bool reported_ = false;  // ReportLatency's timing rather than the block clock
  std::uint64_t reportedHeard_ = 0;
  Clock::time_point reportedAt_;

  // Audio thread only.
  std::vector<std::shared_ptr<Channel>> snapshot_;  // the table as this block saw it
  std::vector<float> block_;
  float gain_ = 1.0f;
};

}  // namespace bass
