// The outputs that run on a thread of ours: the sound server's stream, and the null output, which
// mixes block after block on the clock and throws the frames away so that songs advance and end
// as they would if heard. The server's output becomes the null output while the server is gone.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/bass/block_pacer.h"
#include "platform/bass/mixer.h"
#include "platform/bass/output.h"
#include "platform/bass/sound_server.h"
#include "platform/bass/source.h"
#include "platform/bass/thread_priority.h"

namespace bass {
namespace {

using Clock = BlockPacer::Clock;

constexpr size_t kBlockFrames = 1024;
// Behind by more than this (a stalled machine), the clock is reset instead of mixing a burst.
constexpr int kMaxLagBlocks = 8;
// On a busy machine an ordinary thread, even at the highest nice level, waits past a block's
// 23 ms now and then although it mixes in a fraction of a millisecond; a real-time thread does
// not. Low among real-time threads: above every ordinary one, below the system's own.
constexpr int kRealTimePriority = 10;
// Start-up waits this long at most for a server to answer; one on this machine answers in a few
// milliseconds, and one that does not is as good as none.
constexpr SoundServer::Timeout kProbeTimeout{300};
// While the server is gone: how often, and how long, to try again. Short, since the clock's
// blocks wait meanwhile; well under a second, so that sound comes back within one.
constexpr Clock::duration kRetryInterval = std::chrono::milliseconds(250);
constexpr SoundServer::Timeout kRetryTimeout{150};
// The longest the stream waits for room at a time, so that the output stops promptly.
constexpr SoundServer::Timeout kRoomWait{20};
// A server that takes nothing for this long has stopped playing: as good as gone.
constexpr Clock::duration kStalledServer = std::chrono::seconds(1);
// How often the stream looks for the first sound to play, before which it queues nothing.
constexpr Clock::duration kFirstSoundPoll = std::chrono::milliseconds(1);

class RealTimeOutput final : public Output {
 public:
  // server: open, or null for the null output.
  RealTimeOutput(Mixer& mixer, std::unique_ptr<SoundServer> server)
      : mixer_(mixer),
        server_(std::move(server)),
        pacer_(std::chrono::duration_cast<Clock::duration>(
                   std::chrono::duration<double>(double(kBlockFrames) / kOutputRate)),
               kMaxLagBlocks, Clock::now()),
        block_(2 * kBlockFrames),
        thread_([this] { Run(); }) {}
  ~RealTimeOutput() override {
    {
      std::lock_guard hold(lock_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  OutputTiming Timing() const override {
    return {pacer_.Blocks() + streamBlocks_.load(std::memory_order_relaxed),
            pacer_.Underruns() + underflows_.load(std::memory_order_relaxed) + mixer_.LateDecodes(),
            std::chrono::duration<double>(
                std::max(pacer_.LongestMix(),
                         Clock::duration(longestStreamMix_.load(std::memory_order_relaxed))))
                .count()};
  }

 private:
  void Run() {
    RaiseToRealTime(kRealTimePriority);
    bool open = server_ != nullptr;
    for (;;) {
      if (open) {
        Stream();
        pacer_.Restart(Clock::now());
      }
      // Back only when stopping or, with a server, when it is time to try it again.
      PlayOnTheClock();
      if (Stopping()) return;
      open = server_->Open(kRetryTimeout);
      // The clock keeps its schedule through the tries, so that the songs go on at its pace:
      // the blocks that fell due during one are mixed as soon as it has failed.
      if (!open) pacer_.Unheard(Clock::now());
    }
  }

  // Feeds the server's stream as it asks, until the server is lost or the output stops.
  void Stream() {
    std::uint64_t written = 0;
    bool timed = false;  // the server has reported its timing
    auto lastRoom = Clock::now();
    while (!Stopping()) {
      std::optional<size_t> room = server_->WaitForRoom(kRoomWait);
      if (!room) break;
      // Silence queued ahead of the first sound would hold it back by the whole queue.
      if (!sounded_ && !(sounded_ = mixer_.AnythingPlaying())) {
        std::this_thread::sleep_for(kFirstSoundPoll);
        lastRoom = Clock::now();
        continue;
      }
      auto now = Clock::now();
      if (*room == 0) {
        if (now - lastRoom < kStalledServer) continue;
        server_->Close();
        break;
      }
      lastRoom = now;
      for (size_t left = *room; left > 0;) {
        size_t frames = std::min(left, kBlockFrames);
        auto started = Clock::now();
        mixer_.Mix(block_.data(), frames);
        server_->Write(block_.data(), frames);
        CountStreamBlock(Clock::now() - started);
        written += frames;
        left -= frames;
      }
      // Until the server's first timing report nothing written has been heard; a report missing
      // later (the server's timing is being renewed) leaves the last one running on.
      std::optional<std::uint64_t> pending = server_->PendingFrames();
      if (pending || !timed) mixer_.ReportLatency(pending.value_or(written), Clock::now());
      timed = timed || pending;
      underflows_.store(underflowsBefore_ + server_->Underflows(), std::memory_order_relaxed);
    }
    underflowsBefore_ = underflows_.load(std::memory_order_relaxed);
  }

  void CountStreamBlock(Clock::duration mix) {
    streamBlocks_.fetch_add(1, std::memory_order_relaxed);
    if (mix.count() > longestStreamMix_.load(std::memory_order_relaxed)) {
      longestStreamMix_.store(mix.count(), std::memory_order_relaxed);
    }
  }

  // The null output's way: a block on the clock, each played until the next is due. Without a
  // server for ever; with one until it is time to try it again.
  void PlayOnTheClock() {
    // The block just mixed is the one "playing" until the next is due.
    mixer_.SetOutputTiming(kBlockFrames, true);
    auto retry = Clock::now() + kRetryInterval;
    std::unique_lock hold(lock_);
    while (!stopping_) {
      hold.unlock();
      auto started = Clock::now();
      mixer_.Mix(block_.data(), kBlockFrames);
      auto due = pacer_.BlockMixed(started, Clock::now());
      if (server_ && Clock::now() >= retry) return;
      hold.lock();
      wake_.wait_until(hold, due, [this] { return stopping_; });
    }
  }

  bool Stopping() {
    std::lock_guard hold(lock_);
    return stopping_;
  }

  Mixer& mixer_;
  std::unique_ptr<SoundServer> server_;
  BlockPacer pacer_;
  std::atomic<std::uint64_t> streamBlocks_{0};
  std::atomic<Clock::rep> longestStreamMix_{0};
  std::atomic<std::uint64_t> underflows_{0};  // over every stream so far
  std::uint64_t underflowsBefore_ = 0;        // of the streams before this one
  bool sounded_ = false;                      // a channel has played: from then on all is queued
  std::vector<float> block_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace

std::unique_ptr<Output> OpenNullOutput(Mixer& mixer) {
  return std::make_unique<RealTimeOutput>(mixer, nullptr);
}

std::unique_ptr<Output> OpenRealTimeOutput(Mixer& mixer, std::unique_ptr<SoundServer> server,
                                           const DeviceOpener& openDevice) {
  if (server && server->Open(kProbeTimeout)) {
    return std::make_unique<RealTimeOutput>(mixer, std::move(server));
  }
  if (auto device = openDevice(mixer)) return device;
  return OpenNullOutput(mixer);
}

}  // namespace bass
