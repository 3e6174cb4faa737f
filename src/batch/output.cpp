#include "batch/output.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

#include "batch/intervals.h"
#include "core/numtext.h"
#include "core/version.h"

namespace actinfit::batch {

namespace {

// "Knuc,Koff": the parameters the refinement left on a bound.
std::string OnBoundText(const TRefinement& refinement) {
  std::string names;
  for (int k = 0; k < kParamCount; ++k) {
    if (!refinement.OnBound[static_cast<size_t>(k)]) continue;
    if (!names.empty()) names += ',';
    names += kParamNames[static_cast<size_t>(k)];
  }
  return names;
}

nlohmann::ordered_json ParamsJson(const std::array<double, kParamCount>& params) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (int k = 0; k < kParamCount; ++k) {
    object[std::string(kParamNames[static_cast<size_t>(k)])] = params[static_cast<size_t>(k)];
  }
  return object;
}

// Not-a-number (a parameter that was not refined) comes out as null.
nlohmann::ordered_json RefinementJson(const TRefinement& refinement) {
  nlohmann::ordered_json object;
  object["standard_errors"] = ParamsJson(refinement.StdError);
  nlohmann::ordered_json correlation = nlohmann::ordered_json::object();
  nlohmann::ordered_json onBound = nlohmann::ordered_json::object();
  for (int k = 0; k < kParamCount; ++k) {
    const std::string name(kParamNames[static_cast<size_t>(k)]);
    correlation[name] = ParamsJson(refinement.Correlation[static_cast<size_t>(k)]);
    onBound[name] = refinement.OnBound[static_cast<size_t>(k)];
  }
  object["correlation"] = std::move(correlation);
  object["on_bound"] = std::move(onBound);
  object["refined"] = refinement.Refined;
  object["starts"] = refinement.Starts;
  object["starts_reaching_best"] = refinement.StartsReachingBest;
  object["evaluations"] = refinement.Evaluations;
  return object;
}

void AddField(std::string& line, const std::string& field) {
  line += '\t';
  line += field;
}

[[noreturn]] void ThrowOutputFailed() {
  throw EOutputFailed(std::string("standard output: ") + std::strerror(errno));
}

void Put(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) ThrowOutputFailed();
}

void Flush() {
  if (std::fflush(stdout) != 0) ThrowOutputFailed();
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = byte(i);
    // The length of the sequence a lead byte starts, and the range of its second byte (which
    // rules out overlong forms, surrogates and code points above U+10FFFF).
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    bool whole = length > 0 && i + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k) {
      const unsigned char next = byte(i + k);
      whole = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
    }
    if (whole) {
      valid.append(text.substr(i, length));
      i += length;
    } else {
      valid += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return valid;
}

std::string JsonText(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string TsvCell(std::string_view text) {
  std::string cell = ValidUtf8(text);
  bool replaced = false;
  for (char& c : cell) {
    if (c == '\t' || c == '\n' || c == '\r') {
      c = ' ';
      replaced = true;
    }
  }
  if (replaced) {
    static std::once_flag said;
    std::call_once(said, [] {
      std::fputs(
          "actinfit-batch: tabs and line breaks inside names and messages are written as "
          "blanks, so that every line keeps its cells\n",
          stderr);
    });
  }
  return cell;
}

std::string TsvHeader(TMethod method, bool intervals) {
  std::string line = "trace";
  if (method == TMethod::Series) line += "\trun";
  line += "\terror";
  for (const std::string_view name : kParamNames) {
    line += '\t';
    line += name;
  }
  if (method == TMethod::Refine) {
    for (const std::string_view name : kParamNames) {
      line += '\t';
      line += name;
      line += "_se";
    }
    line += "\ton_bound";
  }
  if (intervals) line += IntervalHeader();
  line += "\tmessage\n";
  return line;
}

std::string TsvLines(const TTrace& trace, const TTraceResult& result, TMethod method,
                     bool intervals) {
  const bool series = method == TMethod::Series;
  std::string lines;
  for (size_t r = 0; r < result.runs.size(); ++r) {
    const TRunResult& run = result.runs[r];
    lines += TsvCell(trace.name);
    if (series) AddField(lines, std::to_string(r + 1));
    // Each number as the JSON has it: every digit the program computed and none it did not.
    AddField(lines, ShortestReal(run.error));
    for (const double value : run.params) AddField(lines, ShortestReal(value));
    if (run.refinement) {
      // Empty where a parameter was not refined (unmarked, on a bound, or TShift).
      for (const double se : run.refinement->StdError) {
        AddField(lines, std::isnan(se) ? std::string() : ShortestReal(se));
      }
      AddField(lines, OnBoundText(*run.refinement));
    }
    if (intervals) {
      lines += run.profile ? IntervalFields(*run.profile) : std::string(IntervalColumns(), '\t');
    }
    AddField(lines, TsvCell(run.note));
    lines += '\n';
  }
  if (!result.failure.empty()) {
    lines += TsvCell(trace.name);
    if (series) AddField(lines, std::to_string(result.runs.size() + 1));
    lines.append(method == TMethod::Refine ? 2 + 2 * kParamCount : 1 + kParamCount, '\t');
    if (intervals) lines.append(IntervalColumns(), '\t');
    AddField(lines, TsvCell(result.failure));
    lines += '\n';
  }
  return lines;
}

nlohmann::ordered_json SettingsJson(const TBatchOptions& options) {
  nlohmann::ordered_json settings;
  settings["program"] = "actinfit-batch " + std::string(kVersion);
  settings["method"] = std::string(MethodName(options.method));
  if (options.method == TMethod::Fit || options.method == TMethod::Series) {
    settings["iterations"] = options.iterations;
  }
  if (options.intervals) settings["intervals"] = true;
  if (options.method == TMethod::Series) {
    settings["draws"] = options.draws;
    settings["runs"] = options.runs;
  }
  nlohmann::ordered_json params = nlohmann::ordered_json::object();
  for (int k = 0; k < kParamCount; ++k) {
    const TParamSetting& param = options.settings.params[static_cast<size_t>(k)];
    params[std::string(kParamNames[static_cast<size_t>(k)])] = {
        {"value", param.value}, {"min", param.min}, {"max", param.max}, {"fixed", !param.fit}};
  }
  settings["parameters"] = std::move(params);
  settings["g-actin"] = options.settings.gActin;
  settings["dt"] = options.settings.dt;
  return settings;
}

nlohmann::ordered_json TraceJson(const TTrace& trace, const TTraceResult& result,
                                 const TBatchOptions& options) {
  nlohmann::ordered_json object;
  object["trace"] = trace.name;
  object["file"] = trace.file;
  if (!trace.column.empty()) object["column"] = trace.column;
  object["points"] = std::min(trace.time.size(), trace.readings.size());
  if (!trace.column.empty()) {
    object["g_actin"] = trace.gActin.value_or(options.settings.gActin);
  }
  object["settings"] = SettingsJson(options);
  object["ok"] = result.failure.empty();
  if (options.method == TMethod::Series) {
    nlohmann::ordered_json runs = nlohmann::ordered_json::array();
    for (size_t r = 0; r < result.runs.size(); ++r) {
      runs.push_back({{"run", r + 1},
                      {"error", result.runs[r].error},
                      {"parameters", ParamsJson(result.runs[r].params)}});
    }
    object["runs"] = std::move(runs);
  } else if (!result.runs.empty()) {
    const TRunResult& run = result.runs.front();
    object["error"] = run.error;
    object["parameters"] = ParamsJson(run.params);
    if (run.refinement) object["refinement"] = RefinementJson(*run.refinement);
    if (run.profile) object["intervals"] = IntervalsJson(*run.profile);
    if (!run.note.empty()) object["intervals_message"] = run.note;
  }
  if (!result.failure.empty()) object["message"] = result.failure;
  return object;
}

TOutput::TOutput(const TBatchOptions& options) : options_(options) {
  Put(options_.json ? std::string("[") : TsvHeader(options_.method, options_.intervals));
}

void TOutput::Write(const TTrace& trace, const TTraceResult& result) {
  if (options_.json) {
    Put((first_ ? "\n" : ",\n") + JsonText(TraceJson(trace, result, options_)));
  } else {
    Put(TsvLines(trace, result, options_.method, options_.intervals));
  }
  first_ = false;
  Flush();
}

void TOutput::Finish() {
  if (options_.json) Put(first_ ? "]\n" : "\n]\n");
  CloseStandardOutput();
}

void WriteStandardOutput(const std::string& text) {
  Put(text);
  Flush();
}

void CloseStandardOutput() {
  Flush();
  // An error of an earlier write that the buffer hid (errno may no longer tell which).
  if (std::ferror(stdout) != 0) {
    errno = EIO;
    ThrowOutputFailed();
  }
  if (std::fclose(stdout) != 0) ThrowOutputFailed();
}

}  // namespace actinfit::batch
