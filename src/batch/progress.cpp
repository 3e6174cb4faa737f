#include "batch/progress.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

#include "batch/output.h"

namespace actinfit::batch {

namespace {

// Seconds between the lines written where standard error is no terminal.
constexpr int kLineSeconds = 5;

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lldh%02lldm", whole / 3600, whole / 60 % 60);
  } else if (whole >= 60) {
    std::snprintf(text, sizeof text, "%lldm%02llds", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%llds", whole);
  }
  return text;
}

}  // namespace

TProgress::TProgress(size_t total, std::string unit, bool forced)
    : total_(total),
      unit_(std::move(unit)),
      terminal_(isatty(STDERR_FILENO) != 0),
      forced_(forced),
      start_(std::chrono::steady_clock::now()),
      lastLine_(start_) {
  const std::lock_guard lock(mutex_);
  Draw(true);
}

TProgress::~TProgress() {
  const std::lock_guard lock(mutex_);
  Erase();
}

void TProgress::Update(size_t done) {
  const std::lock_guard lock(mutex_);
  done_ = done;
  Draw(done_ == total_);
}

void TProgress::Detail(const std::string& detail) {
  const std::lock_guard lock(mutex_);
  detail_ = detail;
  Draw(false);
}

void TProgress::Message(const std::string& line) {
  const std::lock_guard lock(mutex_);
  Erase();
  std::fprintf(stderr, "%s\n", ValidUtf8(line).c_str());
  Draw(false);
}

// On a terminal the line is redrawn at every change; elsewhere (with --progress) a new line is
// written when a few seconds have passed, or when `due` (the last one done).
void TProgress::Draw(bool due) {
  if (!terminal_ && !forced_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!terminal_ && !due && now - lastLine_ < std::chrono::seconds(kLineSeconds)) return;
  lastLine_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::string line = std::to_string(done_) + "/" + std::to_string(total_) + " " + unit_ + ", " +
                     Duration(elapsed) + " elapsed";
  if (done_ > 0 && done_ < total_) {
    const double remaining =
        elapsed / static_cast<double>(done_) * static_cast<double>(total_ - done_);
    line += ", about " + Duration(remaining) + " to go";
  }
  if (!detail_.empty() && done_ < total_) line += "; " + detail_;
  if (!terminal_) {
    std::fprintf(stderr, "%s\n", ValidUtf8(line).c_str());
    return;
  }
  std::fprintf(stderr, "\r\033[K%s", ValidUtf8(line).c_str());
  std::fflush(stderr);
  shown_ = true;
}

void TProgress::Erase() {
  if (!shown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace actinfit::batch
