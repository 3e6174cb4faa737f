#include "core/readout_report.h"

#include <cmath>

#include "core/fit_report.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

constexpr int32_t kDigits = 4;

struct TRowValue {
  const char* name;
  double value, se;
};

std::vector<TRowValue> RowValues(const TReadouts& r, const TActinReadouts& a) {
  const double none = std::nan("");
  return {{"Baseline", r.Baseline, none},
          {"Plateau", r.Plateau, none},
          {"Amplitude", r.Amplitude, none},
          {"t½ (s)", r.THalf, r.THalfSE},
          {"Largest slope (/s)", r.MaxSlope, r.MaxSlopeSE},
          {"Time of largest slope (s)", r.TMaxSlope, none},
          {"Lag time (s)", r.LagTime, none},
          {"Elongation rate at t½ (µM/s)", a.ElongationRate, none},
          {"Barbed ends at t½ (nM)", a.BarbedEnds, none}};
}

}  // namespace

std::vector<TReadoutRow> ReadoutRows(const TReadouts& r, const TActinReadouts& actin) {
  std::vector<TReadoutRow> rows;
  for (const TRowValue& row : RowValues(r, actin)) {
    rows.push_back({row.name, ReportNumber(row.value, kDigits),
                    std::isfinite(row.se) ? "± " + ReportNumber(row.se, 2) : std::string()});
  }
  return rows;
}

std::string ConstantsSentence(const TReadoutConstants& c) {
  return "Barbed ends = elongation rate / (k+ (G(t½) − Cc)) with Cc " + ReportNumber(c.Cc, 3) +
         " µM and k+ " + ReportNumber(c.KPlus, 3) +
         " µM⁻¹s⁻¹; the defaults, Cc 0.1 µM and k+ 11.6 µM⁻¹s⁻¹, are those measured for "
         "Mg-ATP-actin at barbed ends by electron microscopy of elongating filaments.";
}

std::vector<std::string> ReadoutCommentLines(const TReadouts& r, const TActinReadouts& actin,
                                             const TReadoutConstants& constants, char decimalMark) {
  const auto number = [decimalMark](double value) {
    return std::isfinite(value) ? ShortestReal(value, decimalMark) : std::string();
  };
  std::vector<std::string> lines;
  for (const TRowValue& row : RowValues(r, actin)) {
    std::string line = std::string("# readout ") + row.name + '\t' + number(row.value);
    if (std::isfinite(row.se)) line += '\t' + number(row.se);
    lines.push_back(std::move(line));
  }
  lines.push_back("# readout Cc (µM)\t" + number(constants.Cc));
  lines.push_back("# readout k+ (µM⁻¹s⁻¹)\t" + number(constants.KPlus));
  const std::string message = r.Ok ? actin.Message.empty() ? r.Message : actin.Message : r.Message;
  if (!message.empty()) lines.push_back("# readout message\t" + message);
  return lines;
}

}  // namespace actinfit
