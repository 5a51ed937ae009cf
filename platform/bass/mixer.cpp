// Mixing on the audio thread, with the channel table locked only while it is copied.
#include "platform/bass/mixer.h"

#include <algorithm>
#include <cmath>

#include "platform/bass/source.h"

namespace bass {
namespace {
// A volume change glides over this many frames (about 6 ms), which keeps fades free of clicks.
constexpr size_t kVolumeGlideFrames = 256;
}  // namespace

Mixer::Mixer() : block_(2 * Channel::kMaxBlockFrames) {
  snapshot_.reserve(16);
}

void Mixer::Add(std::uint32_t handle, std::shared_ptr<Channel> channel) {
  std::lock_guard hold(channelsLock_);
  channels_[handle] = std::move(channel);
}

std::shared_ptr<Channel> Mixer::Find(std::uint32_t handle) const {
  std::lock_guard hold(channelsLock_);
  auto found = channels_.find(handle);
  return found == channels_.end() ? nullptr : found->second;
}

bool Mixer::Remove(std::uint32_t handle) {
  std::shared_ptr<Channel> removed;
  {
    std::lock_guard hold(channelsLock_);
    auto found = channels_.find(handle);
    if (found == channels_.end()) return false;
    removed = std::move(found->second);
    channels_.erase(found);
  }
  // The decoder goes when the last holder lets go: here, or at the end of a block being mixed.
  return true;
}

void Mixer::SetVolume(unsigned percent) {
  std::lock_guard hold(channelsLock_);
  volume_ = std::min(percent, 100u);
}

unsigned Mixer::Volume() const {
  std::lock_guard hold(channelsLock_);
  return volume_;
}

void Mixer::SetOutputTiming(std::uint64_t latencyFrames, bool realTime) {
  std::lock_guard hold(timingLock_);
  latencyFrames_ = latencyFrames;
  realTime_ = realTime;
  reported_ = false;
}

void Mixer::ReportLatency(std::uint64_t latencyFrames, Clock::time_point at) {
  std::lock_guard hold(timingLock_);
  reported_ = true;
  reportedHeard_ = mixedFrames_ > latencyFrames ? mixedFrames_ - latencyFrames : 0;
  reportedAt_ = at;
}

std::uint64_t Mixer::HeardFrame(Clock::time_point now) const {
  // Frames the clock has played from a moment on, none for a moment still to come.
  auto playedSince = [now](Clock::time_point from) {
    double seconds = std::chrono::duration<double>(now - from).count();
    return seconds > 0 ? std::uint64_t(seconds * kOutputRate) : 0;
  };
  std::lock_guard hold(timingLock_);
  if (reported_) return std::min(reportedHeard_ + playedSince(reportedAt_), mixedFrames_);
  if (!realTime_) return mixedFrames_;
  // The output plays on from the moment of the last block, at most until it needs the next.
  std::uint64_t heard = mixedFrames_ + std::min(playedSince(lastMixTime_), lastBlockFrames_);
  return heard > latencyFrames_ ? heard - latencyFrames_ : 0;
}

void Mixer::Mix(float* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    size_t count = std::min(frames - done, Channel::kMaxBlockFrames);
    unsigned volume;
    {
      std::lock_guard hold(channelsLock_);
      for (auto& [handle, channel] : channels_) snapshot_.push_back(channel);
      volume = volume_;
    }
    std::uint64_t at;
    {
      std::lock_guard hold(timingLock_);
      at = mixedFrames_ + done;
    }
    std::fill(block_.begin(), block_.begin() + 2 * count, 0.0f);
    for (auto& channel : snapshot_) channel->MixInto(block_.data(), count, at);
    snapshot_.clear();

    float target = float(volume) / 100.0f;
    float* dest = out + 2 * done;
    for (size_t i = 0; i < count; ++i) {
      if (gain_ != target) {
        float step = 1.0f / kVolumeGlideFrames;
        gain_ = gain_ < target ? std::min(target, gain_ + step) : std::max(target, gain_ - step);
      }
      for (int c = 0; c < 2; ++c) {
        float s = block_[2 * i + c] * gain_;
        // NaN fails both comparisons and becomes silence; infinities clamp like any peak.
        dest[2 * i + c] = s >= -1.0f ? (s <= 1.0f ? s : 1.0f) : (s < -1.0f ? -1.0f : 0.0f);
      }
    }
    done += count;
  }
  std::lock_guard hold(timingLock_);
  mixedFrames_ += frames;
  lastBlockFrames_ = frames;
  lastMixTime_ = Clock::now();
}

}  // namespace bass
