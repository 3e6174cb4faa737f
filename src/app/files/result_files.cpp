#include "app/files/result_files.h"

#include <array>

#include "app/files/number_text.h"
#include "core/version.h"

namespace actinfit {

namespace {

// The parameters with their units, in the shared parameter order.
constexpr std::array<const char*, kParamCount> kParameterHeadings = {
    "BFluo [fluorescence]", "TShift [s]", "Knuc [uM-2s-1]", "Kon [uM-1s-1]", "Koff [s-1]"};

void AppendLine(std::string& text, const std::string& line) {
  text += line;
  text += '\n';
}

// A source as one cell: its tabs and line breaks as blanks.
std::string CellText(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

std::string ResultsHeader() {
  std::string header = "Error [fluorescence^2]";
  for (const char* heading : kParameterHeadings) {
    header += '\t';
    header += heading;
  }
  return header + "\tdata\tG-actin [uM]";
}

std::string PaneFileText(const std::vector<std::string>& paneLines) {
  std::string text;
  for (const std::string& line : paneLines) AppendLine(text, line);
  return text;
}

std::string ResultsFileText(const std::vector<std::string>& paneLines,
                            const std::vector<std::optional<TResultOrigin>>& origins,
                            const ResultsSource& source, char decimalMark) {
  std::string text;
  AppendLine(text, "# actinfit " + std::string(kVersion) +
                       ": fit results as logged, one line per coordinate fit (also each run of a "
                       "series) or least-squares refinement");
  AppendLine(text, "# dt [s]\t" + ShortestReal(source.dt, decimalMark));
  AppendLine(text, "# saved\t" + source.savedAt);
  for (const std::string& line : source.readouts) AppendLine(text, line);
  AppendLine(text, ResultsHeader());
  for (size_t i = 0; i < paneLines.size(); ++i) {
    const std::optional<TResultOrigin>& origin = origins[i];
    AppendLine(text, paneLines[i] + '\t' + (origin ? CellText(origin->Source) : std::string()) +
                         '\t' +
                         (origin ? ShortestReal(origin->GActin, decimalMark) : std::string()));
  }
  return text;
}

std::string CurveFileText(const TModel& evaluated, double error, char decimalMark) {
  const TModel& m = evaluated;
  const auto real = [decimalMark](double value) { return ShortestReal(value, decimalMark); };
  std::string text;
  AppendLine(text, "# actinfit " + std::string(kVersion) + ": the model curve at these values");
  AppendLine(text, "# parameter\tvalue\tmin\tmax\tfit");
  for (size_t k = 0; k < kParameterHeadings.size(); ++k) {
    AppendLine(text, std::string("# ") + kParameterHeadings[k] + '\t' + real(m.Param[k]) + '\t' +
                         real(m.Min[k]) + '\t' + real(m.Max[k]) + '\t' + (m.Fit[k] ? "yes" : "no"));
  }
  AppendLine(text, "# G-actin [uM]\t" + real(m.Init[0]));
  AppendLine(text, "# dt [s]\t" + real(m.Dt));
  AppendLine(text, "# points\t" + std::to_string(m.Count));
  AppendLine(text, "# error\t" + real(error));
  AppendLine(text, "time [s]\treading\tmodel\tresidual");
  text.reserve(text.size() + static_cast<size_t>(m.Count) * 48);
  for (int32_t i = 0; i < m.Count; ++i) {
    for (const double value : {m.Time[i], m.Data[i], m.Fitted[i], m.Residual[i]}) {
      AppendShortestReal(text, value, decimalMark);
      text += '\t';
    }
    text.back() = '\n';
  }
  return text;
}

}  // namespace actinfit
