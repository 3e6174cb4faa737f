// The progress line on standard error, shown only when standard error is a terminal: traces
// done / total, time elapsed, time remaining estimated from the pace so far.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace actinfit::batch {

class TProgress {
 public:
  explicit TProgress(size_t total);
  ~TProgress();

  void Update(size_t done);
  // Prints a message line on standard error without mixing it into the progress line.
  void Message(const std::string& line);

 private:
  void Draw();
  void Erase();

  size_t total_;
  size_t done_ = 0;
  bool shown_ = false;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace actinfit::batch
