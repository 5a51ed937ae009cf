// Channel state changes, decoding ahead into the channel's buffer, and the channel's part of each
// mixed block.
#include "platform/bass/channel.h"

#include <algorithm>
#include <optional>

namespace bass {
namespace {
// The buffer holds 16 chunks of 1024 frames, 0.37 s: the decoder thread, at ordinary priority,
// can be kept from the processor that long on a busy machine without the sound noticing.
constexpr size_t kChunkFrames = 1024;
constexpr size_t kChunks = 16;

constexpr std::uint64_t kStateBits = 3;

ChannelState StateOf(std::uint64_t word) {
  return ChannelState(word & kStateBits);
}
}  // namespace

struct Channel::Chunk {
  float samples[2 * kChunkFrames];
  size_t frames = 0;  // fewer than kChunkFrames only in the last chunk of the source
  std::uint64_t generation = 0;
  bool last = false;
};

Channel::Channel(std::unique_ptr<Source> source, std::uint64_t lengthFrames, bool decodeAhead)
    : lengthFrames_(lengthFrames),
      source_(std::move(source)),
      chunks_(decodeAhead ? std::make_unique<Chunk[]>(kChunks) : nullptr),
      block_(2 * kMaxBlockFrames),
      history_(std::make_unique<std::atomic<float>[]>(kHistoryFrames)) {}

Channel::~Channel() = default;

template <typename Change>
bool Channel::ChangeState(Change change) {
  std::uint64_t word = state_.load(std::memory_order_acquire);
  for (;;) {
    std::optional<ChannelState> next = change(StateOf(word));
    if (!next) return false;
    std::uint64_t changed = (((word >> 2) + 1) << 2) | std::uint64_t(*next);
    if (state_.compare_exchange_weak(word, changed, std::memory_order_acq_rel)) return true;
  }
}

void Channel::RequestSeek(std::uint64_t frame) {
  std::lock_guard hold(seekLock_);
  seekFrame_ = frame;
  ++seekGeneration_;
  wantedGeneration_.store(seekGeneration_, std::memory_order_release);
}

void Channel::Play(bool restart) {
  // The position goes first, so that the mixing thread never plays on from the old one.
  ChangeState([&](ChannelState state) -> std::optional<ChannelState> {
    // A song that ended by itself has nothing left to continue from.
    if (restart || state == ChannelState::kEnded) RequestSeek(0);
    return ChannelState::kPlaying;
  });
}

bool Channel::Pause() {
  return ChangeState([](ChannelState state) -> std::optional<ChannelState> {
    if (state != ChannelState::kPlaying) return std::nullopt;
    return ChannelState::kPaused;
  });
}

void Channel::Stop() {
  ChangeState([](ChannelState) { return std::optional(ChannelState::kStopped); });
}

bool Channel::SetPosition(std::uint64_t frame) {
  if (lengthFrames_ != 0 && frame > lengthFrames_) return false;
  RequestSeek(frame);
  // A channel that had ended waits, stopped, at the new position.
  return ChangeState([](ChannelState state) {
    return std::optional(state == ChannelState::kEnded ? ChannelState::kStopped : state);
  });
}

ChannelState Channel::State() const {
  return StateOf(state_.load(std::memory_order_acquire));
}

void Channel::History(std::uint64_t end, float* mono, size_t count) const {
  std::uint64_t historyEnd = historyEnd_.load(std::memory_order_acquire);
  std::uint64_t oldest = historyEnd > kHistoryFrames ? historyEnd - kHistoryFrames : 0;
  for (size_t i = 0; i < count; ++i) {
    std::uint64_t frame = end - count + i;
    bool known = end >= count - i && frame >= oldest && frame < historyEnd;
    mono[i] = known ? history_[frame % kHistoryFrames].load(std::memory_order_relaxed) : 0.0f;
  }
}

std::uint64_t Channel::ApplyNewestSeek() {
  std::uint64_t generation, frame;
  {
    std::lock_guard hold(seekLock_);
    generation = seekGeneration_;
    frame = seekFrame_;
  }
  if (generation != decodedGeneration_) {
    source_->Seek(frame);
    decodedGeneration_ = generation;
    sourceEnded_ = false;
  }
  return generation;
}

void Channel::DecodeAhead() {
  if (!chunks_) return;
  for (;;) {
    const std::uint64_t generation = ApplyNewestSeek();
    while (!sourceEnded_) {
      std::uint64_t filled = chunksFilled_.load(std::memory_order_relaxed);
      if (filled - chunksEmptied_.load(std::memory_order_acquire) >= kChunks) break;
      Chunk& chunk = chunks_[filled % kChunks];
      chunk.frames = source_->Render(chunk.samples, kChunkFrames);
      chunk.generation = generation;
      chunk.last = chunk.frames < kChunkFrames;
      sourceEnded_ = chunk.last;
      chunksFilled_.store(filled + 1, std::memory_order_release);
      if (wantedGeneration_.load(std::memory_order_acquire) != generation) break;
    }
    if (wantedGeneration_.load(std::memory_order_acquire) == generation) return;
  }
}

size_t Channel::TakeDecoded(size_t frames, bool* ended, bool* starved) {
  std::uint64_t wanted = wantedGeneration_.load(std::memory_order_acquire);
  size_t taken = 0;
  while (taken < frames && !*ended) {
    std::uint64_t emptied = chunksEmptied_.load(std::memory_order_relaxed);
    if (emptied == chunksFilled_.load(std::memory_order_acquire)) break;
    const Chunk& chunk = chunks_[emptied % kChunks];
    // Decoded for a position asked for after this block began: the next block plays it.
    if (chunk.generation > wanted) break;
    if (chunk.generation == wanted) {
      size_t count = std::min(frames - taken, chunk.frames - chunkOffset_);
      std::copy_n(chunk.samples + 2 * chunkOffset_, 2 * count, block_.data() + 2 * taken);
      taken += count;
      chunkOffset_ += count;
      if (chunkOffset_ < chunk.frames) break;
      if (chunk.last) {
        *ended = true;
        endedGeneration_ = wanted;
      }
    }
    // Used up, or decoded for a position no longer wanted.
    chunkOffset_ = 0;
    chunksEmptied_.store(emptied + 1, std::memory_order_release);
  }
  // An end that could not be applied (the main thread changed the state just then) still holds
  // once the channel plays again without a new position.
  if (taken == 0 && endedGeneration_ == wanted) *ended = true;
  *starved = taken < frames && !*ended && generationPlaying_ == wanted;
  if (taken > 0) generationPlaying_ = wanted;
  return taken;
}

bool Channel::MixInto(float* mix, size_t frames, std::uint64_t at) {
  frames = std::min(frames, kMaxBlockFrames);
  std::uint64_t word = state_.load(std::memory_order_acquire);
  if (StateOf(word) != ChannelState::kPlaying) return false;
  size_t rendered;
  bool ended = false;
  bool starved = false;
  if (chunks_) {
    rendered = TakeDecoded(frames, &ended, &starved);
  } else {
    ApplyNewestSeek();
    rendered = source_->Render(block_.data(), frames);
    ended = rendered < frames;
  }
  std::fill(block_.begin() + 2 * rendered, block_.begin() + 2 * frames, 0.0f);
  for (size_t i = 0; i < 2 * frames; ++i) mix[i] += block_[i];
  Record(block_.data(), frames, at);
  if (ended) {
    std::uint64_t endedWord = (word & ~kStateBits) | std::uint64_t(ChannelState::kEnded);
    state_.compare_exchange_strong(word, endedWord, std::memory_order_acq_rel);
  }
  return starved;
}

void Channel::Record(const float* stereo, size_t frames, std::uint64_t at) {
  std::uint64_t historyEnd = historyEnd_.load(std::memory_order_relaxed);
  // Silence over the stretch the channel did not play since it last recorded.
  std::uint64_t gapStart = std::max(historyEnd, at > kHistoryFrames ? at - kHistoryFrames : 0);
  for (std::uint64_t frame = gapStart; frame < at; ++frame) {
    history_[frame % kHistoryFrames].store(0.0f, std::memory_order_relaxed);
  }
  for (size_t i = 0; i < frames; ++i) {
    history_[(at + i) % kHistoryFrames].store(0.5f * (stereo[2 * i] + stereo[2 * i + 1]),
                                              std::memory_order_relaxed);
  }
  historyEnd_.store(std::max(historyEnd, at + frames), std::memory_order_release);
}

}  // namespace bass
