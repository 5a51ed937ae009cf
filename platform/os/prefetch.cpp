// The thread that runs work ahead.
#include "platform/os/prefetch.h"

#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <thread>

namespace os {
namespace {

// Below the main thread's 0.
constexpr int kAheadNice = 10;

class AheadThread {
 public:
  ~AheadThread() {
    {
      std::lock_guard hold(lock_);
      ending_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

  void Post(std::function<void()> task) {
    {
      std::lock_guard hold(lock_);
      tasks_.push_back(std::move(task));
      if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
  }

 private:
  void Run() {
    setpriority(PRIO_PROCESS, id_t(gettid()), kAheadNice);
    std::unique_lock hold(lock_);
    for (;;) {
      wake_.wait(hold, [this] { return ending_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      hold.unlock();
      task();
      hold.lock();
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace

void RunAhead(std::function<void()> task) {
  static AheadThread ahead;
  ahead.Post(std::move(task));
}

}  // namespace os
