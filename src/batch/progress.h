// The progress on standard error: traces (or series) done / total, time elapsed, time remaining
// estimated from the pace so far, and what the slowest work is doing (a series fit's start and
// best error). On a terminal one line redrawn in place; with --progress elsewhere, a line every
// few seconds; otherwise nothing.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>

namespace actinfit::batch {

class TProgress {
 public:
  TProgress(size_t total, std::string unit, bool forced);
  ~TProgress();

  void Update(size_t done);
  // What a running job is doing now ("plate.csv: start 3 of 9, best error 61.8"); any thread.
  void Detail(const std::string& detail);
  // Prints a message line on standard error without mixing it into the progress line.
  void Message(const std::string& line);

 private:
  void Draw(bool due);
  void Erase();

  std::mutex mutex_;
  size_t total_;
  std::string unit_, detail_;
  size_t done_ = 0;
  bool shown_ = false;
  bool terminal_, forced_;
  std::chrono::steady_clock::time_point start_, lastLine_;
};

}  // namespace actinfit::batch
