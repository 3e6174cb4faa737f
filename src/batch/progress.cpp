#include "batch/progress.h"

#include <unistd.h>

#include <cstdio>

#include "batch/output.h"

namespace actinfit::batch {

namespace {

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

TProgress::TProgress(size_t total)
    : total_(total),
      terminal_(isatty(STDERR_FILENO) != 0),
      start_(std::chrono::steady_clock::now()) {
  Draw();
}

TProgress::~TProgress() {
  Erase();
}

void TProgress::Update(size_t done) {
  done_ = done;
  Draw();
}

void TProgress::Message(const std::string& line) {
  Erase();
  std::fprintf(stderr, "%s\n", ValidUtf8(line).c_str());
  Draw();
}

void TProgress::Draw() {
  if (!terminal_) return;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  std::string line = std::to_string(done_) + "/" + std::to_string(total_) + " traces, " +
                     Duration(elapsed) + " elapsed";
  if (done_ > 0 && done_ < total_) {
    const double remaining =
        elapsed / static_cast<double>(done_) * static_cast<double>(total_ - done_);
    line += ", about " + Duration(remaining) + " to go";
  }
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
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
