// The results on standard output: tab-separated lines under a header, or JSON.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "batch/arguments.h"
#include "batch/methods.h"
#include "batch/traces.h"

namespace actinfit::batch {

// `text` with every byte that is no part of a valid UTF-8 sequence replaced by U+FFFD: file
// names and headers may come in any encoding, and what the program prints is UTF-8.
std::string ValidUtf8(std::string_view text);

// `value` as one line of JSON, text that is no valid UTF-8 replaced as ValidUtf8 does.
std::string JsonText(const nlohmann::ordered_json& value);

// `text` as one cell of a tab-separated line: tabs and line breaks become blanks, so that no
// line gains a cell or breaks in two; the first time that happens a note says so on standard
// error. The cell is valid UTF-8 (ValidUtf8).
std::string TsvCell(std::string_view text);

// The header line: trace, (run, for a series,) error, the five parameters, (their standard
// errors and the parameters on a bound, for the refinement,) message. With intervals, the
// interval columns (batch/intervals.h) come before the message.
std::string TsvHeader(TMethod method, bool intervals = false);

// The trace's lines: one per result (per run, for a series), each number in its shortest text
// that reads back as the same 64-bit real, the message column empty; a failed trace adds one
// line with only its name (and run) and the message.
std::string TsvLines(const TTrace& trace, const TTraceResult& result, TMethod method,
                     bool intervals = false);

// Everything about one trace: name, file, column, points, the settings used, the results and,
// when it failed, the message.
nlohmann::ordered_json TraceJson(const TTrace& trace, const TTraceResult& result,
                                 const TBatchOptions& options);

nlohmann::ordered_json SettingsJson(const TBatchOptions& options);

// A write to standard output that failed (a full disk, a file size limit, a closed pipe): its
// what() names the output and the system's reason. Results that did not reach the output are
// lost, so the run ends.
class EOutputFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes `text` to standard output and flushes it; EOutputFailed when that fails.
void WriteStandardOutput(const std::string& text);

// Flushes and closes standard output; EOutputFailed when anything written to it was lost.
void CloseStandardOutput();

// Writes one trace at a time: the header or the opening bracket first, the closing one last;
// each trace reaches the output as soon as it is written. EOutputFailed when a write fails.
class TOutput {
 public:
  explicit TOutput(const TBatchOptions& options);
  void Write(const TTrace& trace, const TTraceResult& result);
  void Finish();

 private:
  const TBatchOptions& options_;
  bool first_ = true;
};

}  // namespace actinfit::batch
