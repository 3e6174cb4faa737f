// The long operations of the main window: the fit, the random estimation, the series of both,
// and the sensitivity grid. The arithmetic is the core's; here the buttons are marked, the
// record is handed over through CurrentModel, and the reports reach the fields and charts.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <string>
#include <vector>

#include "app/charts/chart_view.h"
#include "app/main_window.h"
#include "app/support/cell_text.h"
#include "app/support/field_text.h"
#include "app/support/operation_guard.h"
#include "app/support/pane_lines.h"
#include "core/numtext.h"
#include "core/random.h"
#include "core/search.h"

namespace actinfit {

namespace {

// The fit's reports show Knuc with two exponent digits, the estimation with three.
constexpr int32_t kFitKnucDigits = 2;
constexpr int32_t kEstimateKnucDigits = 3;

// The linear grid between two fields; their texts are not read for a grid of no points.
std::vector<double> ReadGrid(QLineEdit* min, QLineEdit* max, int32_t count) {
  if (count == 0) return {};
  const double low = ReadReal(min);
  const double high = ReadReal(max);
  return LinearGrid(low, high, count);
}

}  // namespace

TOperationPlace TfmMain::OperationPlace() {
  return {operations_, events_};
}

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
  std::string line = ResultLine(error, model_->Param);
  AppendLineShowingItsStart(*ui_.mResults, ToQString(line));
  resultLog_.push_back({std::move(line), {dataSource_.toStdString(), model_->Init[0]}});
}

void TfmMain::CheckSearchedStepCount() const {
  const TModel& m = *model_;
  CheckStepCount(LowestShift(m.Param[TShift], m.Min[TShift], m.Fit[TShift]), LastTime(m), m.Dt);
}

void TfmMain::RunPendingEvents() {
  charts_.DrawIfDue();
  events_.Run();
}

void TfmMain::RunPendingEventsIfDue() {
  if (events_.Due()) RunPendingEvents();
}

void TfmMain::FormEscapePress() {
  operations_.StopInnermost();
}

void TfmMain::btFitClick() {
  if (TOperationGuard::AskToStop(ui_.btFit)) return;  // the running fit ends at its next report
  btApplyClick();
  const int32_t showEvery = ReadInteger(ui_.edNShow);
  const int32_t maxIterations = ReadInteger(ui_.edNItr);
  CheckShowEvery(showEvery);  // before anything of the fit has changed
  CheckSearchedStepCount();

  // Inside a series, Esc stops the series.
  const TOperationGuard running(OperationPlace(),
                                {.stop = ui_.btFit,
                                 .stopCaption = QStringLiteral("Stop"),
                                 .idleCaption = QStringLiteral("Fit"),
                                 .escape = !operations_.Contains(ui_.btSeries),
                                 .off = {ui_.btApply, ui_.btCalculate, ui_.btEstimate}});
  const double error = RunFit(maxIterations, showEvery);
  AppendResultLine(error);
}

double TfmMain::RunFit(int32_t maxIterations, int32_t showEvery) {
  const auto started = [this](double error) {
    ui_.serSSE->Clear();
    ui_.serSSE->Add(0, error);
    charts_.Request();
  };
  // A click delivered here may run Apply and replace the record; nothing of it is held.
  const auto report = [this](int32_t iteration, double error, double step) {
    ui_.serSSE->Add(iteration, error);
    WriteParameterFields(kFitKnucDigits);
    ui_.lbItr->setText(ToQString(FormatInteger(iteration)));
    ui_.lbStep->setText(ToQString(GeneralText(step)));
    btCalculateClick();
    RunPendingEvents();
    return Tag(ui_.btFit) != 0;
  };
  return RunCoordinateSearch(CurrentModel(), maxIterations, showEvery, started, report,
                             evaluation_);
}

void TfmMain::btEstimateClick() {
  if (TOperationGuard::AskToStop(ui_.btEstimate)) return;  // it ends after its current draw
  // Alone, the button is the estimation's stop; inside a series it stays off as the series'
  // other buttons are, and only the series can be stopped.
  TOperationLook look{.off = {ui_.btApply, ui_.btCalculate, ui_.btFit, ui_.btEstimate}};
  if (!operations_.Contains(ui_.btSeries)) {
    look.stop = ui_.btEstimate;
    look.stopCaption = QStringLiteral("Stop");
  }
  const TOperationGuard running(OperationPlace(), std::move(look));
  btApplyClick();
  CheckSearchedStepCount();
  ui_.serSSE->Clear();
  ui_.serSSE->Add(0, kNoEstimate);
  charts_.Request();

  // Events run at every improvement and at least every 50 ms; a click there may change the
  // draw count, which is read again after each, or stop the estimation.
  TEstimateCallbacks callbacks;
  callbacks.drawCount = [this] { return ReadInteger(ui_.edNItr); };
  callbacks.improved = [this, &running](double) {
    WriteParameterFields(kEstimateKnucDigits);
    btCalculateClick();
    RunPendingEvents();
    return !running.StopRequested();
  };
  callbacks.pause = [this, &running] {
    RunPendingEventsIfDue();
    return !running.StopRequested();
  };
  RunRandomEstimation(CurrentModel(), ProcessGenerator(), callbacks, evaluation_);
}

void TfmMain::btSeriesClick() {
  if (TOperationGuard::AskToStop(ui_.btSeries)) return;  // seen after the current fit
  const TOperationGuard running(OperationPlace(),
                                {.stop = ui_.btSeries,
                                 .stopCaption = QStringLiteral("Stop num.exp."),
                                 .idleCaption = QStringLiteral("Series of FITs"),
                                 .off = {ui_.btApply, ui_.btCalculate, ui_.btEstimate, ui_.btFit}});
  btApplyClick();

  // Each run sets the buttons as it does alone: the fit of a run can be stopped by itself.
  for (int32_t run = 0; run < ReadInteger(ui_.edNSeries); ++run) {
    ui_.lbNSeries->setText(ToQString(FormatInteger(run + 1)));
    btEstimateClick();
    btFitClick();
    if (running.StopRequested()) break;
  }
}

void TfmMain::Button1Click() {
  if (TOperationGuard::AskToStop(ui_.Button1)) return;  // it ends after its current cell
  const int32_t countP1 = ReadInteger(ui_.edNP1);
  const int32_t countP2 = ReadInteger(ui_.edNP2);
  CheckGridCount(countP1, "P1 (nucleation rate)");
  CheckGridCount(countP2, "P2 (association rate)");
  const std::vector<double> p1 = ReadGrid(ui_.edP1Min, ui_.edP1Max, countP1);
  const std::vector<double> p2 = ReadGrid(ui_.edP2Min, ui_.edP2Max, countP2);

  std::string header = "P2|P1";
  for (const double value : p1) header += '\t' + GeneralText(value);
  ui_.mSens->setPlainText(ToQString(header));

  // The button stops the scan; nothing else may start one of the long operations meanwhile.
  const TOperationGuard running(OperationPlace(), {.stop = ui_.Button1,
                                                   .stopCaption = QStringLiteral("Stop"),
                                                   .off = {ui_.btApply, ui_.btCalculate, ui_.btFit,
                                                           ui_.btEstimate, ui_.btSeries}});

  // Rows are added as they finish, so an error or a stop leaves the rows before it in the pane.
  std::string cells;
  TScanCallbacks callbacks;
  callbacks.cellStarting = [&](int32_t i, int32_t j) {
    ui_.params[Knuc].value->setText(ToQString(GeneralText(p1[static_cast<size_t>(i)])));
    ui_.params[Kon].value->setText(ToQString(GeneralText(p2[static_cast<size_t>(j)])));
  };
  callbacks.cellDone = [&](int32_t, int32_t, double error) { cells += '\t' + GeneralText(error); };
  callbacks.rowDone = [&](int32_t j) {
    ui_.mSens->appendPlainText(ToQString(GeneralText(p2[static_cast<size_t>(j)]) + cells));
    cells.clear();
  };
  // A check box may run Apply here and replace the record: the scan goes on with the new one.
  callbacks.pause = [this, &running] {
    RunPendingEventsIfDue();
    return !running.StopRequested();
  };
  RunSensitivityScan(CurrentModel(), p1, p2, callbacks, evaluation_);
}

}  // namespace actinfit
