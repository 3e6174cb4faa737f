// The controls of the main window an analysis file keeps, by name, and how their texts go into
// the file and back.
#pragma once

#include <vector>

#include "app/layout/ui.h"
#include "core/analysis.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace actinfit {

struct AnalysisControls {
  std::vector<QLineEdit*> fields;
  std::vector<QCheckBox*> marks;
  std::vector<QLabel*> labels;  // those that show results
  std::vector<QPlainTextEdit*> panes;
};

AnalysisControls ControlsOfAnalysis(const Ui& ui);

// The controls' texts and marks into `analysis`, in the order above.
void ReadControls(const AnalysisControls& controls, TAnalysis& analysis);

// The texts and marks of `analysis` into the controls of the same names: a field or mark the file
// does not name keeps its text, a label or pane it does not name is emptied, a name the window
// does not know is passed over. Changes nothing that can fail.
void WriteControls(const AnalysisControls& controls, const TAnalysis& analysis);

// The texts of `analysis` with `mark` as their decimal mark (a '.' becomes a ',' and the other
// way round where the marks differ).
void ChangeDecimalMark(TAnalysis& analysis, char mark);

}  // namespace actinfit
