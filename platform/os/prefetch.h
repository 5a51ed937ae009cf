// Work started ahead of the call that needs its result: loading that nothing reads yet runs on a
// thread of its own while the main thread does other things (the window and the device are made).
#pragma once

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace os {

// Runs each task on the one thread all work ahead shares, in the order given, so that what is
// needed first is ready first. The thread runs below the main thread's priority: the main thread,
// which waits for the results, must not have to share a processor with them to get there. At exit
// tasks not run yet are still run, so that none runs while the program comes down.
void RunAhead(std::function<void()> task);

// Results by key; each is taken by the first ask for its key.
template <typename Result>
class Prefetch {
 public:
  // What to do ahead, and the key its result is taken by.
  struct Job {
    std::string key;
    std::function<Result()> work;
  };

  // The jobs in the order named; then finish, if any, on the same thread.
  void Start(std::vector<Job> jobs, std::function<void()> finish = nullptr) {
    std::lock_guard hold(lock_);
    auto all = std::make_shared<std::vector<std::promise<Result>>>(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      results_.insert_or_assign(jobs[i].key, (*all)[i].get_future());
    }
    RunAhead([all, jobs = std::move(jobs), finish = std::move(finish)] {
      for (std::size_t i = 0; i < jobs.size(); ++i) (*all)[i].set_value(jobs[i].work());
      if (finish) finish();
    });
  }

  // The result started for key, or nothing when none was (or it was taken already).
  std::optional<std::future<Result>> Take(const std::string& key) {
    std::lock_guard hold(lock_);
    auto found = results_.find(key);
    if (found == results_.end()) return std::nullopt;
    std::future<Result> result = std::move(found->second);
    results_.erase(found);
    return result;
  }

 private:
  std::mutex lock_;
  std::map<std::string, std::future<Result>> results_;
};

}  // namespace os
