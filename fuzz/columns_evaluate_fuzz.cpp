// Pasted text and parameters through the whole load: CleanColumn, LoadData, Evaluate. Only the
// system's own errors may come out, and the simulation ends within the steps its times allow.
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/columns.h"
#include "core/errors.h"
#include "core/model.h"
#include "core/numtext.h"
#include "fuzz_input.h"

using namespace actinfit;

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// More steps than this would only make the fuzzer slow; the bound itself is what is checked.
constexpr double kFuzzMaxSteps = 2e6;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const char probed = in.Take<uint8_t>() & 1 ? ',' : '.';
  SetDecimalSeparator(fuzz::PickSeparator(in.Take<uint8_t>()));
  std::array<double, 5> param;
  for (double& p : param) p = in.Take<double>();
  const double g = in.Take<double>();
  const double dt = in.Take<double>();

  // The rest is the two panes, split at the first NUL byte.
  const std::string_view rest = in.Rest();
  const size_t split = rest.find('\0');
  std::vector<std::string> timePane = SplitLines(rest.substr(0, split));
  std::vector<std::string> dataPane =
      SplitLines(split == std::string_view::npos ? std::string_view() : rest.substr(split + 1));

  auto model = std::make_unique<TModel>(1);
  const size_t timeLines = timePane.size();
  try {
    const int32_t n = LoadData(timePane, dataPane, probed, model);
    if (n != model->Count || static_cast<size_t>(n) > timeLines) std::abort();
    for (int32_t i = 1; i < n; ++i) {
      if (model->Time[i] < model->Time[i - 1]) std::abort();  // loading never goes backwards
    }
  } catch (const EOverflow&) {
    return 0;
  }
  TModel& m = *model;
  m.Param = param;
  m.Init = {g, 0, 0};
  m.Dt = dt;
  // Skip only what would take long by nature; Evaluate refuses the never-ending cases itself.
  if (m.Count > 0 && std::isfinite(dt) && dt > 0 && std::isfinite(param[TShift]) &&
      (m.Time[m.Count - 1] - param[TShift]) / dt > kFuzzMaxSteps) {
    return 0;
  }
  const auto before = m.Param;
  try {
    const double e = Evaluate(m);
    if (!(e >= 0)) std::abort();  // a mean of squares, never a not-a-number
  } catch (const EMathError&) {
  } catch (const EInvalidInput&) {
  }
  for (int k = 0; k < 5; ++k) {
    if (std::memcmp(&before[k], &m.Param[k], sizeof(double)) != 0) std::abort();
  }
  return 0;
}
