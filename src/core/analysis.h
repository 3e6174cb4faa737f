// A whole analysis as one file: the data and where they came from, every field and mark of the
// window as it showed them, its panes, the record of the last Apply with its curve, the last
// refinement with its statistics and profile, and sections the main window does not read itself
// (the series window's). Versioned UTF-8 JSON, numbers in their shortest exact form, so that an
// analysis opened and saved again gives the same bytes. docs/analysis-format.md describes it.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/fit_statistics.h"
#include "core/model.h"
#include "core/readouts.h"
#include "core/refine.h"
#include "core/series_analysis.h"

namespace actinfit {

// What the file says it is, and the newest layout this program reads. A section added later
// that older programs may skip leaves the version as it is; a change they would misread raises
// it.
inline constexpr std::string_view kAnalysisFormat = "actinfit analysis";
inline constexpr int32_t kAnalysisVersion = 1;

// Where one line of the results pane was computed from.
struct TResultOrigin {
  std::string Source;  // "FILE: COLUMN", "pasted", "default data set"
  double GActin = 0;   // uM
  bool operator==(const TResultOrigin&) const = default;
};

// A line of the results pane and what it was computed from, as the window logged it.
struct TLoggedResult {
  std::string Line;
  TResultOrigin Origin;
};

// The origin of each of `paneLines`: the logged line of the same text, taken in order (lines
// the user removed are skipped; a line typed in has none).
std::vector<std::optional<TResultOrigin>> ResultOrigins(const std::vector<std::string>& paneLines,
                                                        const std::vector<TLoggedResult>& logged);

// Named texts and marks in the order the window lists them.
using TNamedTexts = std::vector<std::pair<std::string, std::string>>;
using TNamedMarks = std::vector<std::pair<std::string, bool>>;

// The last result a profile may start from without refining again: the record it left and the
// values its fields then showed.
struct TRefinedResult {
  std::array<double, kParamCount> Param{}, Min{}, Max{}, Shown{};
  std::array<bool, kParamCount> Fit{};
  double GActin = 0;
  double Dt = 0;
};

// Where the data came from, part by part: the file's name, the table within it (empty for a file
// of one), the well or column. All empty for pasted data and the default data set.
struct TSourceParts {
  std::string File, Table, Well;
  bool operator==(const TSourceParts&) const = default;
};

// The parts of a source name "FILE: COLUMN" or "FILE: TABLE: WELL" as the window writes it, for a
// file that kept only the name; none for "pasted" and "default data set".
TSourceParts SourcePartsOfName(const std::string& name);
// And the name of the parts: "FILE: WELL", "FILE: TABLE: WELL".
std::string SourceNameOfParts(const TSourceParts& parts);

// The readouts of the record's trace, and the Cc and k+ the report's Readouts page reads with.
struct TSavedReadouts {
  TReadoutConstants Constants;
  TReadouts Trace;
};

struct TAnalysis {
  std::string Source;  // where the record's data came from, as the window names it
  TSourceParts SourceParts;
  TModel Record{0};        // the last Apply: data, parameters, bounds, marks, G-actin, step, curve
  char DecimalMark = '.';  // the one of the fields' and panes' texts
  TNamedTexts Fields;      // edit fields by name, as typed
  TNamedMarks Marks;       // check boxes by name
  TNamedTexts Labels;      // labels that show results (number of points, error, iteration, step)
  TNamedTexts Panes;       // text panes by name, as they stand
  std::vector<std::optional<TResultOrigin>> ResultOrigins;  // one per line of the results pane
  std::vector<std::array<double, 2>> ErrorChart;            // the error chart's points
  std::optional<TRefinement> Refinement;                    // the last refinement that ended
  std::optional<TFitStatistics> Statistics;                 // its report, with the profile
  std::optional<TRefinedResult> Refined;
  std::optional<TSavedReadouts> Readouts;  // missing in a file written before them
  std::optional<TSavedSeries> Series;      // the series window, once it has been opened
  // Sections kept as they are: any a later program adds.
  nlohmann::ordered_json Sections = nlohmann::ordered_json::object();
};

// The file's text. Refuses (Error) a record whose arrays disagree in length.
std::string AnalysisText(const TAnalysis& analysis);

// Reads and checks the whole file before anything is handed back. Refuses (Error, naming what is
// wrong): text that is not JSON or is cut short, a file of another kind, a later version, a
// missing or mistyped entry.
TAnalysis ParseAnalysis(std::string_view text);

}  // namespace actinfit
