#include "core/fit_report.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "core/bound_hints.h"
#include "core/defaults.h"
#include "core/numtext.h"

namespace actinfit {
namespace {

// Significant digits: results and interval ends in the tables, standard errors and the numbers
// of sentences read at a glance.
constexpr int32_t kValueDigits = 5;
constexpr int32_t kErrorDigits = 3;
constexpr int32_t kSentenceDigits = 3;

std::string Value(double v) {
  return ReportNumber(v, kValueDigits);
}

std::string Short(double v) {
  return ReportNumber(v, kSentenceDigits);
}

std::string Fixed(double value, int32_t decimals) {
  return std::isfinite(value) ? FormatReal(value, FloatStyle::Fixed, 15, decimals) : "-";
}

std::string Count(int32_t n) {
  return FormatInteger(n);
}

// "from 3.2 to 20", the ends in words where they are bounds.
std::string StatisticsInterval(const TFitStatistics& s, int32_t k) {
  if (!std::isfinite(s.Lower[k]) || !std::isfinite(s.Upper[k])) return "-";
  std::string text = Value(s.Lower[k]) + " to " + Value(s.Upper[k]);
  if (s.LowerAtBound[k] && s.UpperAtBound[k]) return text + " (cut at both bounds)";
  if (s.LowerAtBound[k]) return text + " (cut at the lower bound)";
  if (s.UpperAtBound[k]) return text + " (cut at the upper bound)";
  return text;
}

// A profile interval with the ends that reach a bound in words.
std::string ProfileInterval(const TInterval& interval, int32_t digits = kValueDigits) {
  const std::string low = ReportNumber(interval.Low, digits);
  const std::string high = ReportNumber(interval.High, digits);
  std::string text = low + " to " + high;
  if (interval.LowAtBound) text += "; not limited by the data below " + low;
  if (interval.HighAtBound) text += "; not limited by the data above " + high;
  return text;
}

// The same for a rate named inside a sentence: the bound only marked.
std::string ShortInterval(const TInterval& interval) {
  std::string text = Short(interval.Low) + (interval.LowAtBound ? " (its lower bound)" : "") +
                     " to " + Short(interval.High);
  return text + (interval.HighAtBound ? " (its upper bound)" : "");
}

const std::optional<TInterval>& Interval(const TProfileResult& p, int32_t quantity) {
  if (quantity == kProfileKnucKon) return p.KnucKon;
  if (quantity == kProfileKoffKon) return p.KoffKon;
  return p.Param[static_cast<size_t>(quantity)];
}

std::string ProfileCell(const TFitStatistics& s, int32_t k) {
  const TProfileResult& p = *s.Profile;
  if (k == TShift && s.Refined[k] && !s.OnBound[k]) {
    return "held on its time step (± " + Value(s.ShiftResolution) + ")";
  }
  switch (p.Status[static_cast<size_t>(k)]) {
    case TProfileStatus::NotProfiled:
      return "-";
    case TProfileStatus::Unfinished:
      return "unfinished";
    case TProfileStatus::CutShort:
    case TProfileStatus::Done:
      break;
  }
  const std::optional<TInterval>& interval = Interval(p, k);
  if (!interval) return "-";
  const bool cut = p.Status[static_cast<size_t>(k)] == TProfileStatus::CutShort;
  return ProfileInterval(*interval) + (cut ? " (cut short)" : "");
}

std::string StatusCell(const TFitStatistics& s, int32_t k) {
  if (!s.Refined[k]) return "fixed";
  if (s.OnBound[k]) {
    const bool lower = std::fabs(s.Value[k] - s.Min[k]) <= std::fabs(s.Value[k] - s.Max[k]);
    return lower ? "on its lower bound" : "on its upper bound";
  }
  return k == TShift ? "refined in whole time steps (± half a step)" : "refined";
}

std::string StdErrorCell(const TFitStatistics& s, int32_t k) {
  if (k == TShift && s.Refined[k] && !s.OnBound[k]) return "± " + Value(s.ShiftResolution);
  return std::isfinite(s.StdError[k]) ? "± " + ReportNumber(s.StdError[k], kErrorDigits)
                                      : std::string("-");
}

// The width of an interval relative to its quantity's value, to compare how well two are known.
double RelativeWidth(const TInterval& interval, double value) {
  return (interval.High - interval.Low) / std::fabs(value);
}

// "The data determine Knuc·Kon = ... (...); Knuc alone only to within ..., Kon ..."
std::string CombinationSentence(const TFitStatistics& s, int32_t quantity,
                                std::array<int32_t, 2> rates) {
  const TProfileResult& p = *s.Profile;
  const auto status = p.Status[static_cast<size_t>(quantity)];
  if (status == TProfileStatus::NotProfiled) return {};
  const std::string name = QuantityName(quantity);
  const std::optional<TInterval>& interval = Interval(p, quantity);
  if (status == TProfileStatus::Unfinished || !interval) {
    return "The profile of " + name + " is unfinished.";
  }
  const double value =
      quantity == kProfileKnucKon ? s.Value[Knuc] * s.Value[Kon] : s.Value[Koff] / s.Value[Kon];
  std::string text = "The data determine " + name + " = " + Short(value) + " " +
                     QuantityUnit(quantity) + " (" + ProfileInterval(*interval, kSentenceDigits) +
                     ")";
  const double width = RelativeWidth(*interval, value);
  std::string separator = "; ";
  for (const int32_t k : rates) {
    const std::optional<TInterval>& alone = p.Param[static_cast<size_t>(k)];
    if (!alone || p.Status[static_cast<size_t>(k)] == TProfileStatus::Unfinished) continue;
    const bool wider = RelativeWidth(*alone, s.Value[k]) > width;
    text += separator + ParamName(k) + " alone " + (wider ? "only " : "") + "to within " +
            ShortInterval(*alone);
    separator = ", ";
  }
  return text + ".";
}

void AppendLine(std::string& text, const std::vector<std::string>& cells) {
  for (size_t i = 0; i < cells.size(); ++i) text += (i ? "\t" : "") + cells[i];
  text += '\n';
}

void AppendTable(std::string& text, const TFitStatistics& s) {
  AppendLine(text, ReportColumns(s));
  for (const TReportRow& row : ReportRows(s)) {
    std::vector<std::string> cells{row.Name, row.Value, row.StdError, row.Interval};
    if (s.Profile) cells.push_back(row.Profile);
    cells.push_back(row.Status);
    AppendLine(text, cells);
  }
}

void AppendCorrelation(std::string& text, const TFitStatistics& s) {
  std::vector<int32_t> known;
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (std::isfinite(s.StdError[k])) known.push_back(k);
  }
  if (known.empty()) return;
  text += "\nCorrelation (* where |r| > 0.95)\n";
  for (const int32_t k : known) text += '\t' + std::string(ParamName(k));
  text += '\n';
  for (const int32_t i : known) {
    text += ParamName(i);
    for (const int32_t j : known) {
      const double r = s.Correlation[i][j];
      text += '\t' + Fixed(r, 3) + (i != j && std::fabs(r) > kPoorCorrelation ? "*" : "");
    }
    text += '\n';
  }
}

void AppendMeasures(std::string& text, const TFitStatistics& s) {
  text += "\nPoints (n)\t" + Count(s.Points) + '\n';
  text += "Refined parameters (p)\t" + Count(s.Parameters) + '\n';
  text += "Residual standard deviation\t" + Value(s.ResidualSD) + '\n';
  text += "R squared\t" + Fixed(s.RSquared, 6) + '\n';
  text += "Starts that reached the best\t" + Count(s.StartsReachingBest) + " of " +
          Count(s.Starts) + '\t' + StartsSentence(s) + '\n';
  text += "Runs of the residual signs\t" + Count(s.Runs) + ", z = " + Fixed(s.RunsZ, 2) + '\t' +
          RunsSentence(s) + '\n';
}

void AppendCombinations(std::string& text, const TFitStatistics& s) {
  if (!s.Profile) return;
  text += "\nCombination\tValue\t95 % profile interval\n";
  for (const int32_t q : {kProfileKnucKon, kProfileKoffKon}) {
    const auto status = s.Profile->Status[static_cast<size_t>(q)];
    if (status == TProfileStatus::NotProfiled) continue;
    const std::optional<TInterval>& interval = Interval(*s.Profile, q);
    text += std::string(QuantityName(q)) + " (" + QuantityUnit(q) + ")\t" +
            Value(QuantityValue(s, q)) + '\t' +
            (status == TProfileStatus::Unfinished || !interval ? std::string("unfinished")
                                                               : ProfileInterval(*interval)) +
            '\n';
  }
  text += '\n';
  for (const std::string& sentence : ProfileSentences(s)) text += sentence + '\n';
}

}  // namespace

std::string UnitGlyphs(std::string_view plain) {
  static constexpr const char* kSuperscript[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
  std::string glyphs;
  for (const char c : plain) {
    if (c == 'u') {
      glyphs += "µ";
    } else if (c == '-') {
      glyphs += "⁻";
    } else if (c >= '0' && c <= '9') {
      glyphs += kSuperscript[c - '0'];
    } else {
      glyphs += c;
    }
  }
  return glyphs;
}

std::string ParamUnit(int32_t index) {
  if (index < 0 || index >= kParamCount) return {};
  // BFluo is in the readings' own, arbitrary unit.
  const std::string_view plain = kParamUnits[static_cast<size_t>(index)];
  return plain.empty() ? "a.u." : UnitGlyphs(plain);
}

const char* QuantityName(int32_t quantity) {
  if (quantity == kProfileKnucKon) return "Knuc·Kon";
  if (quantity == kProfileKoffKon) return "Koff/Kon";
  return ParamName(quantity);
}

std::string QuantityUnit(int32_t quantity) {
  if (quantity == kProfileKnucKon) return "µM⁻³s⁻²";
  if (quantity == kProfileKoffKon) return "µM";
  return ParamUnit(quantity);
}

double QuantityValue(const TFitStatistics& s, int32_t quantity) {
  if (quantity == kProfileKnucKon) return s.Value[Knuc] * s.Value[Kon];
  if (quantity == kProfileKoffKon) return s.Value[Koff] / s.Value[Kon];
  return s.Value[static_cast<size_t>(quantity)];
}

std::string ReportNumber(double value, int32_t significant) {
  return std::isfinite(value) ? FormatReal(value, FloatStyle::General, significant, 0) : "-";
}

std::array<TReportRow, 5> ReportRows(const TFitStatistics& s) {
  std::array<TReportRow, 5> rows;
  for (int32_t k = 0; k < kParamCount; ++k) {
    TReportRow& row = rows[static_cast<size_t>(k)];
    row.Name = std::string(ParamName(k)) + " (" + ParamUnit(k) + ")";
    row.Value = Value(s.Value[k]);
    row.StdError = StdErrorCell(s, k);
    row.Interval = k == TShift ? "-" : StatisticsInterval(s, k);
    if (s.Profile) row.Profile = ProfileCell(s, k);
    row.Status = StatusCell(s, k);
  }
  return rows;
}

std::vector<std::string> ReportColumns(const TFitStatistics& s) {
  std::vector<std::string> columns{"Parameter", "Value", "Standard error", "95 % interval"};
  if (s.Profile) columns.emplace_back("95 % profile interval");
  columns.emplace_back("Status");
  return columns;
}

std::vector<std::string> ParameterSentences(const TFitStatistics& s) {
  std::vector<std::string> sentences;
  for (const auto& [i, j] : s.PoorPairs) {
    sentences.push_back(std::string(ParamName(i)) + " and " + ParamName(j) +
                        " are poorly determined together (r = " + Fixed(s.Correlation[i][j], 3) +
                        "): the data fix a combination of the two rather than each of them.");
  }
  for (int32_t k = 0; k < kParamCount; ++k) {
    if (!s.OnBound[k]) continue;
    sentences.push_back(std::string(ParamName(k)) + " ended " + StatusCell(s, k) + " (" +
                        Value(s.Value[k]) +
                        ") and was held there: the other standard errors take it as known, so "
                        "they are too small if it is not.");
    sentences.push_back(BoundHint(k, s.Value[k], s.Min[k], s.Max[k], s.ReadingsStart));
  }
  return sentences;
}

std::string MeasuresSentence(const TFitStatistics& s) {
  return Count(s.Points) + " points, " + Count(s.Parameters) +
         (s.Parameters == 1 ? " refined parameter" : " refined parameters") +
         ": residual standard deviation " + Value(s.ResidualSD) + ", R² = " + Fixed(s.RSquared, 6) +
         ".";
}

std::string StartsSentence(const TFitStatistics& s) {
  if (s.Starts <= 1) {
    return "The search ran from the current values only (no bounds wide enough to spread other "
           "starts over): a better fit elsewhere within the bounds was not looked for.";
  }
  const std::string starts = " of the " + Count(s.Starts) +
                             " starts of the search (the current values and " +
                             Count(s.Starts - 1) + " points spread over the bounds)";
  std::string text =
      s.StartsReachingBest <= 1
          ? "Only " + Count(s.StartsReachingBest) + starts +
                " ended at this best fit; the others stopped at worse ones. A better fit that "
                "every start missed cannot be ruled out: try other values or narrower bounds."
          : Count(s.StartsReachingBest) + starts +
                " ended at this same best fit, so it is unlikely that a better one was missed.";
  if (s.Stopped) text += " The refinement was stopped before every start had run.";
  return text;
}

std::string RunsSentence(const TFitStatistics& s) {
  if (s.Runs == 0) return "Every residual is zero.";
  if (!std::isfinite(s.RunsZ)) {
    return "Every residual has the same sign: the model curve lies on one side of the data.";
  }
  std::string text = "The residuals fall into " + Count(s.Runs) +
                     " runs of one sign, where random scatter would give about " +
                     Fixed(s.RunsExpected, 0) + " (z = " + Fixed(s.RunsZ, 2) + "): ";
  if (s.RunsZ < -1.96) {
    return text + "fewer than chance, so the model misses the shape of the curve systematically.";
  }
  if (s.RunsZ > 1.96) return text + "more than chance: neighbouring residuals alternate.";
  return text + "consistent with random scatter.";
}

std::vector<std::string> ProfileSentences(const TFitStatistics& s) {
  if (!s.Profile) return {};
  const TProfileResult& p = *s.Profile;
  std::vector<std::string> sentences{
      "A value lies inside its 95 % profile interval when, held there with every other refined "
      "parameter refitted, the sum of squared residuals stays at or below " +
      Value(p.Threshold) + " (the least, " + Value(p.SSRMin) + ", times 1 + F/(n − p))."};
  if (p.BestMoved) {
    sentences.emplace_back(
        "A profile found a better fit than the refinement: the result moved there, and the "
        "intervals are around it.");
  }
  for (const auto& [quantity, rates] :
       {std::pair{kProfileKnucKon, std::array<int32_t, 2>{Knuc, Kon}},
        std::pair{kProfileKoffKon, std::array<int32_t, 2>{Koff, Kon}}}) {
    std::string sentence = CombinationSentence(s, quantity, rates);
    if (!sentence.empty()) sentences.push_back(std::move(sentence));
  }
  for (int32_t q = 0; q < kProfileQuantities; ++q) {
    if (p.Status[static_cast<size_t>(q)] != TProfileStatus::CutShort) continue;
    sentences.push_back("The profile of " + std::string(QuantityName(q)) + " was cut short (" +
                        p.Note[static_cast<size_t>(q)] + "): its interval is the part found.");
  }
  if (p.Stopped) {
    sentences.emplace_back("The profiles were stopped: those not finished are marked so.");
  }
  return sentences;
}

std::string FitReportText(const TFitStatistics& s) {
  std::string text;
  AppendTable(text, s);
  AppendCorrelation(text, s);
  const std::vector<std::string> sentences = ParameterSentences(s);
  if (!sentences.empty()) text += '\n';
  for (const std::string& sentence : sentences) text += sentence + '\n';
  AppendMeasures(text, s);
  AppendCombinations(text, s);
  return text;
}

}  // namespace actinfit
