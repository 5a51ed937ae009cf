// One loaded module or stream: its playback state, set from the main thread and advanced by the
// mixing thread, its decoding (on the decoder thread, ahead of the sound, when it plays in real
// time) and a record of what it sent to the output for the spectrum.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/bass/source.h"

namespace bass {

enum class ChannelState : std::uint64_t { kStopped, kPlaying, kPaused, kEnded };

// Threads: the main thread changes the state and reads the history; one mixing thread (the
// output's) calls MixInto; with decodeAhead, one decoder thread calls DecodeAhead. The mixing
// thread takes no lock and never waits for the others: it plays what the decoder left in the
// buffer, and silence for a block when there is none yet.
class Channel {
 public:
  // Frames of the output timeline the channel remembers, mono: far more than the 512 the
  // spectrum reads plus what any output holds back (a server's latency can be a second).
  static constexpr size_t kHistoryFrames = 65536;
  // The largest block MixInto takes.
  static constexpr size_t kMaxBlockFrames = 1024;

  // decodeAhead: the decoder thread decodes and seeks, into a buffer MixInto plays from.
  // Otherwise MixInto decodes as it mixes (offline, where time does not matter).
  Channel(std::unique_ptr<Source> source, std::uint64_t lengthFrames, bool decodeAhead);
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Main thread. Each change is picked up by the mixing thread at its next block.
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

  // Decoder thread: moves to a position asked for since the last call, then decodes until the
  // buffer is full or the source has ended. Nothing without decodeAhead.
  void DecodeAhead();

  // Mixing thread: if playing, adds the next frames (at most kMaxBlockFrames) into mix and records
  // them at output timeline frame `at`; at the end of the source the channel turns kEnded. True
  // when the block found the buffer empty while the channel was playing on from what it had.
  bool MixInto(float* mix, size_t frames, std::uint64_t at);

 private:
  struct Chunk;

  // Applies change to the state word until no end found by the mixing thread comes in between;
  // change returns the new state, or false to leave it.
  template <typename Change>
  bool ChangeState(Change change);
  void RequestSeek(std::uint64_t frame);
  // The decoding side: moves the source to the newest position asked for, if it is not there;
  // returns that position's generation.
  std::uint64_t ApplyNewestSeek();
  // Mixing thread, with decodeAhead: takes up to frames frames from the buffer into block_.
  size_t TakeDecoded(size_t frames, bool* ended, bool* starved);
  void Record(const float* stereo, size_t frames, std::uint64_t at);

  // ChannelState in the low two bits, above them a count of the main thread's changes, so that
  // an end the mixing thread found is not applied on top of a change made meanwhile.
  std::atomic<std::uint64_t> state_{std::uint64_t(ChannelState::kStopped)};

  // Positions asked for: each has a generation; the decoding side applies the newest.
  // The main thread and the decoding side: the decoder thread, or the offline mixing, which runs
  // on the main thread. Never a real-time output's thread.
  std::mutex seekLock_;
  std::uint64_t seekGeneration_ = 0;  // guarded by seekLock_
  std::uint64_t seekFrame_ = 0;       // guarded by seekLock_
  std::atomic<std::uint64_t> wantedGeneration_{0};
  const std::uint64_t lengthFrames_;

  // The decoding side: the decoder thread with decodeAhead, else the mixing thread.
  std::unique_ptr<Source> source_;
  std::uint64_t decodedGeneration_ = 0;
  bool sourceEnded_ = false;

  // The decode-ahead buffer, a ring of chunks the decoder fills and the mixing thread empties.
  std::unique_ptr<Chunk[]> chunks_;  // null without decodeAhead
  std::atomic<std::uint64_t> chunksFilled_{0};
  std::atomic<std::uint64_t> chunksEmptied_{0};
  size_t chunkOffset_ = 0;  // mixing thread: frames already taken from the oldest chunk
  std::uint64_t generationPlaying_ = ~std::uint64_t(0);  // mixing thread: last one heard
  std::uint64_t endedGeneration_ = ~std::uint64_t(0);    // mixing thread: last one played out

  // Mixing thread only.
  std::vector<float> block_;

  // Ring by output timeline frame, written by the mixing thread, read by the main thread.
  std::unique_ptr<std::atomic<float>[]> history_;
  std::atomic<std::uint64_t> historyEnd_{0};  // timeline frame after the last one recorded
};

}  // namespace bass
