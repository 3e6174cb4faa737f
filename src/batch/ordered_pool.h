// Work items computed on several threads and handed back in input order on the calling thread,
// each as soon as it and every item before it are done.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace actinfit::batch {

// Calls work(i) for every i < count on `jobs` threads (work must not throw) and, on the calling
// thread, deliver(i, result) in order of i, and finished(done) whenever the number of finished
// items has grown (for a progress line). When the system grants fewer threads, the items run on
// those that could be started, or on the calling thread alone, after shortOfThreads(started,
// reason). An exception from deliver stops the threads after their current items and goes on.
template <class Result>
void RunOrdered(
    size_t count, int jobs, const std::function<Result(size_t)>& work,
    const std::function<void(size_t, Result&)>& deliver,
    const std::function<void(size_t done)>& finished,
    const std::function<void(size_t started, const std::string& reason)>& shortOfThreads) {
  std::vector<std::optional<Result>> slots(count);
  std::mutex mutex;
  std::condition_variable changed;
  size_t done = 0;
  std::atomic<size_t> next{0};

  const auto worker = [&](const std::stop_token& stop) {
    for (size_t i = next++; i < count && !stop.stop_requested(); i = next++) {
      Result result = work(i);
      {
        const std::lock_guard lock(mutex);
        slots[i] = std::move(result);
        ++done;
      }
      changed.notify_one();
    }
  };
  const size_t threads = std::min(count, static_cast<size_t>(jobs < 1 ? 1 : jobs));
  std::vector<std::jthread> pool;
  try {
    pool.reserve(threads);
    for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
  } catch (const std::exception& error) {  // std::system_error, or no memory for a stack
    shortOfThreads(pool.size(), error.what());
  }
  if (pool.empty()) {
    for (size_t i = 0; i < count; ++i) {
      Result result = work(i);
      deliver(i, result);
      finished(i + 1);
    }
    return;
  }

  size_t delivered = 0;
  size_t reported = 0;
  while (delivered < count) {
    std::vector<std::pair<size_t, Result>> ready;
    size_t doneNow = 0;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return done > reported || slots[delivered].has_value(); });
      for (size_t i = delivered; i < count && slots[i]; ++i) {
        ready.emplace_back(i, std::move(*slots[i]));
        slots[i].reset();
      }
      doneNow = done;
    }
    for (auto& [i, result] : ready) deliver(i, result);
    delivered += ready.size();
    if (doneNow > reported) {
      reported = doneNow;
      finished(reported);
    }
  }
}

}  // namespace actinfit::batch
