#include "app/files/analysis_controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/support/pane_fill.h"

namespace actinfit {

namespace {

// The entry of `named` for `control`, or nullptr.
template <typename Value>
const Value* Named(const std::vector<std::pair<std::string, Value>>& named,
                   const QObject* control) {
  const std::string name = control->objectName().toStdString();
  for (const auto& [key, value] : named) {
    if (key == name) return &value;
  }
  return nullptr;
}

void SwapMarks(std::string& text) {
  for (char& c : text) {
    if (c == '.') {
      c = ',';
    } else if (c == ',') {
      c = '.';
    }
  }
}

}  // namespace

AnalysisControls ControlsOfAnalysis(const Ui& ui) {
  AnalysisControls c;
  for (const ParamRow& row : ui.params)
    c.fields.insert(c.fields.end(), {row.value, row.min, row.max});
  c.fields.insert(c.fields.end(),
                  {ui.edAG, ui.edTStep, ui.edNItr, ui.edNShow, ui.edNSeries, ui.edP1Min, ui.edP1Max,
                   ui.edNP1, ui.edP2Min, ui.edP2Max, ui.edNP2});
  for (const ParamRow& row : ui.params) c.marks.push_back(row.fit);
  c.marks.insert(c.marks.end(), {ui.CheckBox2, ui.CheckBox5, ui.CheckBox6, ui.CheckBox3});
  c.labels = {ui.lbNData, ui.lbItr, ui.lbNSeries, ui.lbStep, ui.lbSSE};
  c.panes = {ui.mTime, ui.mData, ui.mModel, ui.mResults, ui.mSens};
  return c;
}

void ReadControls(const AnalysisControls& controls, TAnalysis& analysis) {
  const auto name = [](const QObject* control) { return control->objectName().toStdString(); };
  for (const QLineEdit* field : controls.fields) {
    analysis.Fields.emplace_back(name(field), field->text().toStdString());
  }
  for (const QCheckBox* mark : controls.marks) {
    analysis.Marks.emplace_back(name(mark), mark->isChecked());
  }
  for (const QLabel* label : controls.labels) {
    analysis.Labels.emplace_back(name(label), label->text().toStdString());
  }
  for (const QPlainTextEdit* pane : controls.panes) {
    analysis.Panes.emplace_back(name(pane), pane->toPlainText().toStdString());
  }
}

void WriteControls(const AnalysisControls& controls, const TAnalysis& analysis) {
  for (QLineEdit* field : controls.fields) {
    if (const std::string* text = Named(analysis.Fields, field)) {
      field->setText(QString::fromStdString(*text));
    }
  }
  for (QCheckBox* mark : controls.marks) {
    if (const bool* checked = Named(analysis.Marks, mark)) mark->setChecked(*checked);
  }
  for (QLabel* label : controls.labels) {
    const std::string* text = Named(analysis.Labels, label);
    label->setText(text != nullptr ? QString::fromStdString(*text) : QString());
  }
  for (QPlainTextEdit* pane : controls.panes) {
    const std::string* text = Named(analysis.Panes, pane);
    FillPane(*pane, text != nullptr ? *text : std::string());
  }
}

void ChangeDecimalMark(TAnalysis& analysis, char mark) {
  if (analysis.DecimalMark == mark) return;
  for (TNamedTexts* texts : {&analysis.Fields, &analysis.Labels, &analysis.Panes}) {
    for (auto& [name, text] : *texts) SwapMarks(text);
  }
  analysis.DecimalMark = mark;
}

}  // namespace actinfit
