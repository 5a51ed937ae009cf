// The table of channels and the mix of everything playing: sums the channels, applies the output
// volume, keeps samples finite and in [-1, 1], and keeps the output timeline that tells which
// frame is being heard now. In real time it also runs the decoder thread, which decodes ahead for
// the channels and destroys the ones removed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/bass/channel.h"
#include "platform/bass/seq_lock.h"

namespace bass {

// Threads: the main thread owns the table; one mixing thread (the output's, or the main thread
// offline) calls Mix and the output timing calls. The mixing thread never waits: it reads the
// table only when the main thread is not changing it, and uses the last one it read otherwise.
class Mixer {
 public:
  using Clock = std::chrono::steady_clock;

  Mixer();
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // Main thread.
  void Add(std::uint32_t handle, std::shared_ptr<Channel> channel);
  std::shared_ptr<Channel> Find(std::uint32_t handle) const;
  bool Remove(std::uint32_t handle);
  void SetVolume(unsigned percent);  // 0 to 100
  unsigned Volume() const;

  // Main thread, before a real-time output starts: from now on the channels (made to decode
  // ahead) are decoded on a thread of the mixer's own, which also destroys the channels removed
  // once no block can hold them.
  void StartDecoder();
  // Main thread: a channel was told to play or move; the decoder sees to it now rather than at
  // its next round, a few milliseconds on.
  void WakeDecoder();

  // How the output hands frames on, set before it starts (and again by an output that changes
  // how it plays). latencyFrames: frames between the end of the last mixed block and the frame
  // heard as that block is handed over. realTime: the output then plays on by the clock until the
  // next block; otherwise (offline) the last mixed frame is the one heard.
  void SetOutputTiming(std::uint64_t latencyFrames, bool realTime);
  // Mixing thread, for an output whose sound server says how far behind the mix the sound is: at
  // `at`, latencyFrames of the frames mixed so far were still to be heard. From then on the sound
  // plays on by the clock, never past the last frame mixed. Lasts until SetOutputTiming.
  void ReportLatency(std::uint64_t latencyFrames, Clock::time_point at);
  // Any thread: the output timeline frame being heard at `now`; frames before it have been played.
  std::uint64_t HeardFrame(Clock::time_point now) const;
  std::uint64_t HeardFrame() const { return HeardFrame(Clock::now()); }

  // Any thread: the blocks in which a playing channel found nothing decoded (the decoder had
  // fallen behind), which the sound hears as a gap.
  std::uint64_t LateDecodes() const { return lateDecodes_.load(std::memory_order_relaxed); }

  // Mixing thread: mixes the next frames into out (interleaved stereo).
  void Mix(float* out, size_t frames);
  // Mixing thread: whether any channel plays, as the table is now (or as it was last read while
  // the main thread is changing it).
  bool AnythingPlaying();

 private:
  struct Timeline {
    std::uint64_t mixedFrames = 0;
    std::uint64_t lastBlockFrames = 0;
    Clock::rep lastMixTime = 0;
    std::uint64_t latencyFrames = 0;
    bool realTime = false;
    bool reported = false;  // ReportLatency's timing rather than the block clock
    std::uint64_t reportedHeard = 0;
    Clock::rep reportedAt = 0;
  };

  void Decode();
  // Mixing thread: takes the playing channels and the volume from the table into playing_.
  void ReadTable();

  // The main thread and the decoder; the mixing thread only tries it, in real time.
  mutable std::mutex channelsLock_;
  std::map<std::uint32_t, std::shared_ptr<Channel>> channels_;
  unsigned volume_ = 100;
  std::vector<std::shared_ptr<Channel>> removed_;  // for the decoder to destroy

  SeqLock<Timeline> timeline_;  // written by the mixing thread (or before it starts)
  std::atomic<std::uint64_t> lateDecodes_{0};

  // Mixing thread only.
  std::vector<std::shared_ptr<Channel>> playing_;  // as the table was last read; never grows
  unsigned mixVolume_ = 100;
  std::vector<float> block_;
  float gain_ = 1.0f;

  std::mutex decoderLock_;
  std::condition_variable decoderWake_;
  bool decoderStopping_ = false;  // guarded by decoderLock_
  bool decoderWoken_ = false;     // guarded by decoderLock_
  std::thread decoder_;
};

}  // namespace bass
