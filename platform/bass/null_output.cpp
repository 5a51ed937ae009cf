// The null output: without a device, a thread mixes block after block on the clock and throws
// the frames away, so songs advance and end as they would if heard.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/bass/mixer.h"
#include "platform/bass/output.h"
#include "platform/bass/source.h"

namespace bass {
namespace {

constexpr size_t kBlockFrames = 1024;
// Behind by more than this (a stalled machine), the clock is reset instead of mixing a burst.
constexpr int kMaxLagBlocks = 8;

class NullOutput final : public Output {
 public:
  explicit NullOutput(Mixer& mixer) : mixer_(mixer), thread_([this] { Run(); }) {}
  ~NullOutput() override {
    {
      std::lock_guard hold(lock_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run() {
    using Clock = std::chrono::steady_clock;
    std::vector<float> block(2 * kBlockFrames);
    const auto blockTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(kBlockFrames) / kOutputRate));
    auto due = Clock::now();
    std::unique_lock hold(lock_);
    while (!stopping_) {
      hold.unlock();
      mixer_.Mix(block.data(), kBlockFrames);
      hold.lock();
      due += blockTime;
      if (Clock::now() - due > kMaxLagBlocks * blockTime) due = Clock::now();
      wake_.wait_until(hold, due, [this] { return stopping_; });
    }
  }

  Mixer& mixer_;
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
