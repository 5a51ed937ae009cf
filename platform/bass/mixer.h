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
  Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // Main thread.
  void Add(std::uint32_t handle, std::shared_ptr<Channel> channel);
  std::shared_ptr<Channel> Find(std::uint32_t handle) const;
  bool Remove(std::uint32_t handle);
  void SetVolume(unsigned percent);  // 0 to 100
  unsigned Volume() const;

  // How the output hands frames on, set before it starts. latencyFrames: frames between the end
  // of the last mixed block and the frame heard as that block is handed over. realTime: the
  // output then plays on by the clock until the next block; otherwise (offline) the last mixed
  // frame is the one heard.
  void SetOutputTiming(std::uint64_t latencyFrames, bool realTime);
  // The output timeline frame being heard now: frames before it have been played.
  std::uint64_t HeardFrame() const;

  // Audio thread: mixes the next frames into out (interleaved stereo).
  void Mix(float* out, size_t frames);

 private:
  mutable std::mutex channelsLock_;
  std::map<std::uint32_t, std::shared_ptr<Channel>> channels_;
  unsigned volume_ = 100;  // guarded by channelsLock_

  mutable std::mutex timingLock_;
  std::uint64_t mixedFrames_ = 0;
  std::uint64_t lastBlockFrames_ = 0;
  std::chrono::steady_clock::time_point lastMixTime_;
  std::uint64_t latencyFrames_ = 0;
  bool realTime_ = false;

  // Audio thread only.
  std::vector<std::shared_ptr<Channel>> snapshot_;  // the table as this block saw it
  std::vector<float> block_;
  float gain_ = 1.0f;
};

}  // namespace bass
