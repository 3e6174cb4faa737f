#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>

#include "app/charts/chart_view.h"
#include "app/support/cell_text.h"
#include "app/support/decimal_locale.h"
#include "app/support/error_box.h"
#include "app/support/field_text.h"
#include "app/support/pane_fill.h"
#include "app/support/pane_lines.h"
#include "core/columns.h"
#include "core/numtext.h"

// Resources live in a static library: make sure the linker keeps them.
static void InitResources() {
  Q_INIT_RESOURCE(actinfit);
}

namespace actinfit {

TfmMain::TfmMain() {
  InitResources();
  ui_ = BuildUi(*this);
  title_ = windowTitle();
  charts_.Add(ui_.Chart1);
  charts_.Add(ui_.Chart2);
  LineUpResultColumns(*ui_.mResults);
  LineUpSensitivityColumns(*ui_.mSens);
  menus_ = BuildMenus(*this);
  AcceptFileDrops();
  ConnectHandlers();
  ConnectMenus();
  ConnectRefine();
  connect(menus_.fit.acFitSeries, &QAction::triggered, this, guarded(&TfmMain::FitSeriesClick));
  ReadSystemDecimalSeparator();
  FormCreate();
}

TfmMain::~TfmMain() = default;

void TfmMain::RunHandler(const std::function<void()>& handler) {
  ++handlerDepth_;
  RunGuarded(handler);
  // Whatever the handler did, the pane and the charts are up to date once control is back with
  // the user.
  RunGuarded([this] {
    ShowModelColumn();
    charts_.Draw();
  });
  --handlerDepth_;
  if (handlerDepth_ == 0 && closePending_) {
    closePending_ = false;
    close();
  }
}

void TfmMain::closeEvent(QCloseEvent* event) {
  // The window stays on screen, with its fields and panes, until the running operation ends;
  // it is never interrupted by the request.
  if (handlerDepth_ > 0) {
    closePending_ = true;
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TfmMain::ConnectHandlers() {
  // Calculate runs Apply: the button reloads the data and the fields like Apply does.
  for (QToolButton* button : {ui_.btApply, ui_.btCalculate}) {
    connect(button, &QToolButton::clicked, this, guarded(&TfmMain::btApplyClick));
  }
  for (const ParamRow& row : ui_.params) {
    connect(row.fit, &QCheckBox::clicked, this, guarded(&TfmMain::btApplyClick));
  }
  for (QCheckBox* box : {ui_.CheckBox5, ui_.CheckBox6}) {
    connect(box, &QCheckBox::clicked, this, guarded(&TfmMain::btApplyClick));
  }
  connect(ui_.btFit, &QToolButton::clicked, this, guarded(&TfmMain::btFitClick));
  connect(ui_.btEstimate, &QToolButton::clicked, this, guarded(&TfmMain::btEstimateClick));
  connect(ui_.btSeries, &QToolButton::clicked, this, guarded(&TfmMain::btSeriesClick));
  connect(ui_.Button1, &QPushButton::clicked, this, guarded(&TfmMain::Button1Click));
  connect(ui_.btClear, &QToolButton::clicked, this, guarded(&TfmMain::btClearClick));
  connect(ui_.btClearTime, &QPushButton::clicked, this, guarded(&TfmMain::btClearTimeClick));
  connect(ui_.btClearExp, &QPushButton::clicked, this, guarded(&TfmMain::btClearExpClick));
  connect(ui_.btClearMod, &QPushButton::clicked, this, guarded(&TfmMain::btClearModClick));
  connect(ui_.btExit, &QToolButton::clicked, this, guarded(&TfmMain::btExitClick));
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, guarded(&TfmMain::FormEscapePress));
  // A page change is the one way the model column comes into view.
  connect(ui_.PageControl1, &QTabWidget::currentChanged, this,
          [this] { RunGuarded([this] { ShowModelColumn(); }); });
}

void TfmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  RunHandler([this] { FormShow(); });
}

void TfmMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) ReadSystemDecimalSeparator();
  QMainWindow::changeEvent(event);
}

void TfmMain::FormCreate() {
  probedSeparator_ = DetectDecimalSeparator();
  for (ChartView* chart : {ui_.Chart1, ui_.Chart2}) chart->SetDecimalMark(probedSeparator_);
  // Bridges the time until the first Apply replaces it.
  model_ = std::make_unique<TModel>(1);
}

void TfmMain::FormShow() {
  // The default time step is the only default with a decimal mark; give it the one in force.
  QString step = ui_.edTStep->text();
  const QChar separator = QLatin1Char(probedSeparator_);
  if (const qsizetype dot = step.indexOf(u'.'); dot >= 0) step[dot] = separator;
  if (const qsizetype comma = step.indexOf(u','); comma >= 0) step[comma] = separator;
  ui_.edTStep->setText(step);
  btApplyClick();
}

int32_t TfmMain::LoadPanes() {
  const std::vector<std::string> timeBefore = ReadLines(*ui_.mTime);
  const std::vector<std::string> dataBefore = ReadLines(*ui_.mData);
  std::vector<std::string> time = timeBefore;
  std::vector<std::string> data = dataBefore;
  const auto writeBack = [&] {
    WriteLinesIfChanged(*ui_.mTime, timeBefore, time);
    WriteLinesIfChanged(*ui_.mData, dataBefore, data);
  };
  int32_t n = 0;
  try {
    n = LoadData(time, data, probedSeparator_, model_);
  } catch (...) {
    writeBack();  // the lines cleaned before the failure stay cleaned
    throw;
  }
  writeBack();
  return n;
}

void TfmMain::ReadFields() {
  for (size_t i = 0; i < ui_.params.size(); ++i) {
    const ParamRow& row = ui_.params[i];
    model_->Param[i] = ReadReal(row.value);
    model_->Min[i] = ReadReal(row.min);
    model_->Max[i] = ReadReal(row.max);
    model_->Fit[i] = row.fit->isChecked();
  }
  model_->Init[0] = ReadReal(ui_.edAG);
  model_->Init[1] = 0;
  model_->Init[2] = 0;
  const double dt = ReadReal(ui_.edTStep);
  // A step that would hold the window for hours is refused as a field that holds no number
  // is: the record keeps the step it was created with, and nothing is evaluated.
  CheckStepCount(model_->Param[TShift], LastTime(*model_), dt);
  model_->Dt = dt;
}

void TfmMain::btApplyClick() {
  ui_.serData->Clear();
  charts_.Request();  // the data are gone from the chart even if the loading fails
  const int32_t n = LoadPanes();
  ui_.lbNData->setText(ToQString(FormatInteger(n)));
  for (int32_t i = 0; i < n; ++i) ui_.serData->Add(model_->Time[i], model_->Data[i]);
  charts_.Request();
  ReadFields();
  btCalculateClick();
}

void TfmMain::btCalculateClick() {
  const double error = Evaluate(*model_);
  ui_.lbSSE->setText(ToQString(FormatReal(error, FloatStyle::Fixed, 10, 3)));
  ShowCurves();
  modelColumn_ = model_->Fitted;
  modelColumnPending_ = true;
  if (ui_.mModel->isVisible()) ShowModelColumn();
}

void TfmMain::ShowCurves() {
  ui_.serModel->Clear();
  ui_.serError->Clear();
  const int32_t n = model_->Count;
  for (int32_t i = 0; i < n; ++i) {
    ui_.serModel->Add(model_->Time[i], model_->Fitted[i]);
    ui_.serError->Add(model_->Time[i], model_->Residual[i]);
  }
  // The zero line across the measured time span.
  ui_.Series1->Clear();
  if (n > 0) {
    ui_.Series1->Add(model_->Time[0], 0);
    ui_.Series1->Add(model_->Time[n - 1], 0);
  }
  charts_.Request();
}

void TfmMain::ShowModelColumn() {
  if (!modelColumnPending_) return;
  modelColumnPending_ = false;
  std::string column;
  column.reserve(modelColumn_.size() * 12);
  for (size_t i = 0; i < modelColumn_.size(); ++i) {
    if (i > 0) column += '\n';
    column += FormatReal(modelColumn_[i], FloatStyle::Fixed, 5, 5);
  }
  FillPane(*ui_.mModel, column);
}

void TfmMain::btClearTimeClick() {
  ui_.mTime->clear();
}
void TfmMain::btClearExpClick() {
  ui_.mData->clear();
}
void TfmMain::btClearModClick() {
  modelColumnPending_ = false;  // the clear comes after the last Calculate
  ui_.mModel->clear();
}
void TfmMain::btClearClick() {
  ui_.mResults->clear();
  resultLog_.clear();
}
void TfmMain::btExitClick() {
  close();
}

}  // namespace actinfit
