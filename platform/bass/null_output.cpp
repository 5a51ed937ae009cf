// The null output: without a device, a thread mixes block after block on the clock and throws
// the frames away, so songs advance and end as they would if heard.
#include <SDL2/SDL.h>
#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/bass/block_pacer.h"
#include "platform/bass/mixer.h"
#include "platform/bass/output.h"
#include "platform/bass/source.h"

namespace bass {
namespace {

constexpr size_t kBlockFrames = 1024;
// Behind by more than this (a stalled machine), the clock is reset instead of mixing a burst.
constexpr int kMaxLagBlocks = 8;
// Low among real-time threads: above every ordinary one, below the system's own.
constexpr int kRealTimePriority = 10;

// On a busy machine an ordinary thread, even at the highest nice level, waits past a block's
// 23 ms now and then although it mixes in a fraction of a millisecond; a real-time thread does
// not. So, as sound servers do for their mixing threads, real-time scheduling where the system
// allows it (privilege or a real-time limit), else the priority SDL gives its own audio thread,
// else none.
void RaiseToAudioPriority() {
  sched_param param{};
  param.sched_priority = kRealTimePriority;
  if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
  SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
}

class NullOutput final : public Output {
 public:
  explicit NullOutput(Mixer& mixer)
      : mixer_(mixer),
        pacer_(std::chrono::duration_cast<BlockPacer::Clock::duration>(
                   std::chrono::duration<double>(double(kBlockFrames) / kOutputRate)),
               kMaxLagBlocks, BlockPacer::Clock::now()),
        thread_([this] { Run(); }) {}
  ~NullOutput() override {
    {
      std::lock_guard hold(lock_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  OutputTiming Timing() const override {
    return {pacer_.Blocks(), pacer_.Underruns(),
            std::chrono::duration<double>(pacer_.LongestMix()).count()};
  }

 private:
  void Run() {
    RaiseToAudioPriority();
    std::vector<float> block(2 * kBlockFrames);
    std::unique_lock hold(lock_);
    while (!stopping_) {
      hold.unlock();
      auto started = BlockPacer::Clock::now();
      mixer_.Mix(block.data(), kBlockFrames);
      auto due = pacer_.BlockMixed(started, BlockPacer::Clock::now());
      hold.lock();
      wake_.wait_until(hold, due, [this] { return stopping_; });
    }
  }

  Mixer& mixer_;
  BlockPacer pacer_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace

std::unique_ptr<Output> OpenNullOutput(Mixer& mixer) {
  // The block just mixed is the one "playing" until the next is due.
  mixer.SetOutputTiming(kBlockFrames, true);
  return std::make_unique<NullOutput>(mixer);
}

}  // namespace bass
