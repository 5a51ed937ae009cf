// Mixing on the mixing thread, which never waits for the main thread, and the decoder thread.
#include "platform/bass/mixer.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/bass/source.h"
#include "platform/bass/thread_priority.h"

namespace bass {
namespace {
// A volume change glides over this many frames (about 6 ms), which keeps fades free of clicks.
constexpr size_t kVolumeGlideFrames = 256;
// More channels than this playing at once are not heard; the program plays one.
constexpr size_t kMaxPlaying = 64;
// The decoder's round when nothing wakes it: well within what a channel's buffer holds.
constexpr auto kDecoderRound = std::chrono::milliseconds(5);
// Under the mixing thread's: a decoder held off by a busy machine for longer than a channel's
// buffer lasts leaves a gap, however quickly it would have decoded.
constexpr int kDecoderPriority = 5;
}  // namespace

Mixer::Mixer() : block_(2 * Channel::kMaxBlockFrames) {
  playing_.reserve(kMaxPlaying);
}

Mixer::~Mixer() {
  if (!decoder_.joinable()) return;
  {
    std::lock_guard hold(decoderLock_);
    decoderStopping_ = true;
  }
  decoderWake_.notify_all();
  decoder_.join();
}

void Mixer::Add(std::uint32_t handle, std::shared_ptr<Channel> channel) {
  {
    std::lock_guard hold(channelsLock_);
    channels_[handle] = std::move(channel);
  }
  WakeDecoder();
}

std::shared_ptr<Channel> Mixer::Find(std::uint32_t handle) const {
  std::lock_guard hold(channelsLock_);
  auto found = channels_.find(handle);
  return found == channels_.end() ? nullptr : found->second;
}

bool Mixer::Remove(std::uint32_t handle) {
  std::shared_ptr<Channel> removed;
  std::lock_guard hold(channelsLock_);
  auto found = channels_.find(handle);
  if (found == channels_.end()) return false;
  removed = std::move(found->second);
  channels_.erase(found);
  // Offline the mixing happens on this thread, so the channel can go now; in real time a block
  // being mixed may hold it, and the decoder destroys it once none does.
  if (decoder_.joinable()) removed_.push_back(std::move(removed));
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

void Mixer::StartDecoder() {
  if (!decoder_.joinable()) decoder_ = std::thread([this] { Decode(); });
}

void Mixer::WakeDecoder() {
  {
    std::lock_guard hold(decoderLock_);
    decoderWoken_ = true;
  }
  decoderWake_.notify_one();
}

void Mixer::Decode() {
  RaiseToRealTime(kDecoderPriority);
  std::vector<std::shared_ptr<Channel>> channels;
  std::vector<std::shared_ptr<Channel>> unused;
  std::unique_lock hold(decoderLock_);
  while (!decoderStopping_) {
    decoderWoken_ = false;
    hold.unlock();
    // Like the mixing thread, the decoder does not wait for the main thread: while the table is
    // being changed it works from the one it read last.
    if (channelsLock_.try_lock()) {
      channels.clear();
      for (auto& [handle, channel] : channels_) channels.push_back(channel);
      // The other threads let go of a channel only with the table locked, so one held by this
      // list alone is out of every block's reach.
      auto held = std::partition(removed_.begin(), removed_.end(),
                                 [](const auto& channel) { return channel.use_count() > 1; });
      std::move(held, removed_.end(), std::back_inserter(unused));
      removed_.erase(held, removed_.end());
      channelsLock_.unlock();
    }
    unused.clear();
    for (auto& channel : channels) channel->DecodeAhead();
    hold.lock();
    decoderWake_.wait_for(hold, kDecoderRound,
                          [this] { return decoderStopping_ || decoderWoken_; });
  }
}

void Mixer::SetOutputTiming(std::uint64_t latencyFrames, bool realTime) {
  Timeline timeline = timeline_.Load();
  timeline.latencyFrames = latencyFrames;
  timeline.realTime = realTime;
  timeline.reported = false;
  timeline_.Store(timeline);
}

void Mixer::ReportLatency(std::uint64_t latencyFrames, Clock::time_point at) {
  Timeline timeline = timeline_.Load();
  timeline.reported = true;
  timeline.reportedHeard =
      timeline.mixedFrames > latencyFrames ? timeline.mixedFrames - latencyFrames : 0;
  timeline.reportedAt = at.time_since_epoch().count();
  timeline_.Store(timeline);
}

std::uint64_t Mixer::HeardFrame(Clock::time_point now) const {
  // Frames the clock has played from a moment on, none for a moment still to come.
  auto playedSince = [now](Clock::rep from) {
    double seconds =
        std::chrono::duration<double>(now - Clock::time_point(Clock::duration(from))).count();
    return seconds > 0 ? std::uint64_t(seconds * kOutputRate) : 0;
  };
  Timeline timeline = timeline_.Load();
  if (timeline.reported) {
    return std::min(timeline.reportedHeard + playedSince(timeline.reportedAt),
                    timeline.mixedFrames);
  }
  if (!timeline.realTime) return timeline.mixedFrames;
  // The output plays on from the moment of the last block, at most until it needs the next.
  std::uint64_t heard =
      timeline.mixedFrames + std::min(playedSince(timeline.lastMixTime), timeline.lastBlockFrames);
  return heard > timeline.latencyFrames ? heard - timeline.latencyFrames : 0;
}

void Mixer::ReadTable() {
  // In real time the table as the main thread left it, unless it is changing it this moment:
  // then the last block's. Channels are let go of here only with the table locked (see Decode).
  bool realTime = decoder_.joinable();
  if (realTime ? channelsLock_.try_lock() : (channelsLock_.lock(), true)) {
    playing_.clear();
    for (auto& [handle, channel] : channels_) {
      if (playing_.size() < kMaxPlaying && channel->State() == ChannelState::kPlaying) {
        playing_.push_back(channel);
      }
    }
    mixVolume_ = volume_;
    channelsLock_.unlock();
  }
}

bool Mixer::AnythingPlaying() {
  ReadTable();
  return !playing_.empty();
}

void Mixer::Mix(float* out, size_t frames) {
  ReadTable();
  Timeline timeline = timeline_.Load();
  float target = float(mixVolume_) / 100.0f;
  size_t done = 0;
  while (done < frames) {
    size_t count = std::min(frames - done, Channel::kMaxBlockFrames);
    std::fill(block_.begin(), block_.begin() + 2 * count, 0.0f);
    for (auto& channel : playing_) {
      if (channel->MixInto(block_.data(), count, timeline.mixedFrames + done)) {
        lateDecodes_.fetch_add(1, std::memory_order_relaxed);
      }
    }

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
  timeline.mixedFrames += frames;
  timeline.lastBlockFrames = frames;
  timeline.lastMixTime = Clock::now().time_since_epoch().count();
  timeline_.Store(timeline);
}

}  // namespace bass
