// Channel state changes and the channel's part of each mixed block.
#include "platform/bass/channel.h"

#include <algorithm>

namespace bass {

Channel::Channel(std::unique_ptr<Source> source, std::uint64_t lengthFrames)
    : history_(kHistoryFrames, 0.0f),
      lengthFrames_(lengthFrames),
      source_(std::move(source)),
      block_(2 * kMaxBlockFrames) {}

void Channel::Play(bool restart) {
  std::lock_guard hold(lock_);
  // A song that ended by itself has nothing left to continue from.
  if (restart || state_ == ChannelState::kEnded) pendingSeek_ = 0;
  state_ = ChannelState::kPlaying;
  ++changes_;
}

bool Channel::Pause() {
  std::lock_guard hold(lock_);
  if (state_ != ChannelState::kPlaying) return false;
  state_ = ChannelState::kPaused;
  ++changes_;
  return true;
}

void Channel::Stop() {
  std::lock_guard hold(lock_);
  state_ = ChannelState::kStopped;
  ++changes_;
}

bool Channel::SetPosition(std::uint64_t frame) {
  std::lock_guard hold(lock_);
  if (lengthFrames_ != 0 && frame > lengthFrames_) return false;
  pendingSeek_ = frame;
  // A channel that had ended waits, stopped, at the new position.
  if (state_ == ChannelState::kEnded) state_ = ChannelState::kStopped;
  ++changes_;
  return true;
}

ChannelState Channel::State() const {
  std::lock_guard hold(lock_);
  return state_;
}

void Channel::History(std::uint64_t end, float* mono, size_t count) const {
  std::lock_guard hold(lock_);
  std::uint64_t oldest = historyEnd_ > kHistoryFrames ? historyEnd_ - kHistoryFrames : 0;
  for (size_t i = 0; i < count; ++i) {
    std::uint64_t frame = end - count + i;
    bool known = end >= count - i && frame >= oldest && frame < historyEnd_;
    mono[i] = known ? history_[frame % kHistoryFrames] : 0.0f;
  }
}

void Channel::MixInto(float* mix, size_t frames, std::uint64_t at) {
  frames = std::min(frames, kMaxBlockFrames);
  std::optional<std::uint64_t> seek;
  std::uint64_t changes;
  {
    std::lock_guard hold(lock_);
    if (state_ != ChannelState::kPlaying) return;
    seek = pendingSeek_;
    pendingSeek_.reset();
    changes = changes_;
  }
  // Decoding runs outside the lock, so the main thread never waits for it.
  if (seek) source_->Seek(*seek);
  size_t rendered = source_->Render(block_.data(), frames);
  std::fill(block_.begin() + 2 * rendered, block_.begin() + 2 * frames, 0.0f);
  for (size_t i = 0; i < 2 * frames; ++i) mix[i] += block_[i];

  std::lock_guard hold(lock_);
  Record(block_.data(), frames, at);
  if (rendered < frames && changes == changes_) state_ = ChannelState::kEnded;
}

void Channel::Record(const float* stereo, size_t frames, std::uint64_t at) {
  // Silence over the stretch the channel did not play since it last recorded.
  std::uint64_t gapStart = std::max(historyEnd_, at > kHistoryFrames ? at - kHistoryFrames : 0);
  for (std::uint64_t frame = gapStart; frame < at; ++frame) history_[frame % kHistoryFrames] = 0;
  for (size_t i = 0; i < frames; ++i) {
    history_[(at + i) % kHistoryFrames] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
  }
  historyEnd_ = std::max(historyEnd_, at + frames);
}

}  // namespace bass
