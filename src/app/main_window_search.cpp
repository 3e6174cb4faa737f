// The long operations of the main window: the fit, the random estimation, the series of both,
// and the sensitivity grid. The arithmetic is the core's; here the buttons are marked, the
// record is handed over through CurrentModel, and the reports reach the fields and charts.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <string>
#include <vector>

#include "app/charts/chart_view.h"
#include "app/support/field_text.h"
#include "app/support/pane_lines.h"
#include "app/main_window.h"
#include "app/support/run_marks.h"
#include "core/numtext.h"
#include "core/search.h"

namespace actinfit {

namespace {

// The fit's reports show Knuc with two exponent digits, the estimation with three.
constexpr int32_t kFitKnucDigits = 2;
constexpr int32_t kEstimateKnucDigits = 3;

std::string General(double value) {
  return FormatReal(value, FloatStyle::General, 15, 0);
}

// The linear grid between two fields; their texts are not read for a grid of no points.
std::vector<double> ReadGrid(const QLineEdit* min, const QLineEdit* max, int32_t count) {
  if (count == 0) return {};
  const double low = ReadReal(min);
  const double high = ReadReal(max);
  return LinearGrid(low, high, count);
}

}  // namespace

ModelAccess TfmMain::CurrentModel() {
  return [this]() -> TModel& { return *model_; };
}

void TfmMain::WriteParameterFields(int32_t knucExponentDigits) {
  for (int32_t k = 0; k < kParamCount; ++k) {
    const double value = model_->Param[k];
    const std::string text = k == Knuc
                                 ? FormatReal(value, FloatStyle::Exponent, 3, knucExponentDigits)
                                 : FormatReal(value, FloatStyle::Fixed, 5, 3);
    ui_.params[static_cast<size_t>(k)].value->setText(ToQString(text));
  }
}

void TfmMain::AppendResultLine(double error) {
  std::string line = FormatReal(error, FloatStyle::Fixed, 5, 5);
  for (int32_t k = 0; k < kParamCount; ++k) {
    line += '\t';
    line += FormatReal(model_->Param[k], FloatStyle::Exponent, 5, 2);
  }
  AppendLineShowingItsStart(*ui_.mResults, ToQString(line));
}

void TfmMain::btFitClick() {
  QToolButton* fit = ui_.btFit;
  if (Tag(fit) != 0) {
    SetTag(fit, 0);  // the running fit sees this at its next report and ends there
    return;
  }
  btApplyClick();
  const int32_t showEvery = ReadInteger(ui_.edNShow);
  const int32_t maxIterations = ReadInteger(ui_.edNItr);
  CheckShowEvery(showEvery);  // before anything of the fit has changed

  MarkRunning(fit, QStringLiteral("Stop"));
  SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btEstimate}, false);
  // However the fit ends, the next click starts a new one.
  const auto idle = qScopeGuard([this] {
    MarkIdle(ui_.btFit, QStringLiteral("Fit"));
    SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btEstimate}, true);
  });
  const double error = RunFit(maxIterations, showEvery);
  AppendResultLine(error);
}

double TfmMain::RunFit(int32_t maxIterations, int32_t showEvery) {
  const auto started = [this](double error) {
    ui_.serSSE->Clear();
    ui_.serSSE->Add(0, error);
    ui_.Chart2->Redraw();
  };
  // A click delivered here may run Apply and replace the record; nothing of it is held.
  const auto report = [this](int32_t iteration, double error, double step) {
    ui_.serSSE->Add(iteration, error);
    WriteParameterFields(kFitKnucDigits);
    ui_.lbItr->setText(ToQString(FormatInteger(iteration)));
    ui_.lbStep->setText(ToQString(General(step)));
    btCalculateClick();
    ui_.Chart2->Redraw();
    QCoreApplication::processEvents();
    return Tag(ui_.btFit) != 0;
  };
  return RunCoordinateSearch(CurrentModel(), maxIterations, showEvery, started, report);
}

void TfmMain::btEstimateClick() {
  SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate}, false);
  const auto enable = qScopeGuard([this] {
    SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate}, true);
  });
  btApplyClick();
  ui_.serSSE->Clear();
  ui_.serSSE->Add(0, kNoEstimate);
  ui_.Chart2->Redraw();

  // The draw count is read before every draw: a nested click may have changed the field.
  const auto drawCount = [this] { return ReadInteger(ui_.edNItr); };
  const auto improved = [this](double) {
    WriteParameterFields(kEstimateKnucDigits);
    btCalculateClick();
    QCoreApplication::processEvents();
  };
  RunRandomEstimation(CurrentModel(), drawCount, improved);
}

void TfmMain::btSeriesClick() {
  QToolButton* series = ui_.btSeries;
  if (Tag(series) > 0) {
    SetTag(series, 0);  // seen after the current fit
    return;
  }
  MarkRunning(series, QStringLiteral("Stop num.exp."));
  const auto idle = qScopeGuard([this] {
    MarkIdle(ui_.btSeries, QStringLiteral("Series of FITs"));
    SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btEstimate, ui_.btFit}, true);
  });
  btApplyClick();
  SetEnabled({ui_.btApply, ui_.btCalculate, ui_.btEstimate, ui_.btFit}, false);

  // Each run sets the buttons as it does alone: the fit of a run can be stopped by itself.
  for (int32_t run = 0; run < ReadInteger(ui_.edNSeries); ++run) {
    ui_.lbNSeries->setText(ToQString(FormatInteger(run + 1)));
    btEstimateClick();
    btFitClick();
    if (Tag(series) == 0) break;
  }
}

void TfmMain::Button1Click() {
  const int32_t countP1 = ReadInteger(ui_.edNP1);
  const int32_t countP2 = ReadInteger(ui_.edNP2);
  CheckGridCount(countP1, "P1 (nucleation rate)");
  CheckGridCount(countP2, "P2 (association rate)");
  const std::vector<double> p1 = ReadGrid(ui_.edP1Min, ui_.edP1Max, countP1);
  const std::vector<double> p2 = ReadGrid(ui_.edP2Min, ui_.edP2Max, countP2);

  std::string header = "P2|P1";
  for (const double value : p1) header += '\t' + General(value);
  ui_.mSens->setPlainText(ToQString(header));

  // Rows are added as they finish, so an error leaves the rows before it in the pane.
  std::string cells;
  TScanCallbacks callbacks;
  callbacks.cellStarting = [&](int32_t i, int32_t j) {
    ui_.params[Knuc].value->setText(ToQString(General(p1[static_cast<size_t>(i)])));
    ui_.params[Kon].value->setText(ToQString(General(p2[static_cast<size_t>(j)])));
  };
  callbacks.cellDone = [&](int32_t, int32_t, double error) { cells += '\t' + General(error); };
  callbacks.rowDone = [&](int32_t j) {
    ui_.mSens->appendPlainText(ToQString(General(p2[static_cast<size_t>(j)]) + cells));
    cells.clear();
  };
  RunSensitivityScan(CurrentModel(), p1, p2, callbacks);
}

}  // namespace actinfit
