#include "app/series/series_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/dialogs/figure_dialog.h"
#include "app/dialogs/file_dialogs.h"
#include "app/dialogs/table_dialog.h"
#include "app/figure/figure_picture.h"
#include "app/files/chart_export.h"
#include "app/files/data_columns.h"
#include "app/files/data_tables.h"
#include "app/files/save_file.h"
#include "app/main_window.h"
#include "app/series/series_chart.h"
#include "app/series/series_readouts.h"
#include "app/series/series_report_view.h"
#include "app/support/error_box.h"
#include "app/support/field_text.h"
#include "app/support/operation_guard.h"
#include "app/support/readout_constant_fields.h"
#include "core/defaults.h"
#include "core/errors.h"
#include "core/files/datafile.h"
#include "core/files/gactin_header.h"
#include "core/files/layout_cells.h"
#include "core/files/plate_map.h"
#include "core/series_curves.h"

namespace actinfit {

namespace {

QLineEdit* Field(const QString& name, const QString& text) {
  auto* edit = new QLineEdit(text);
  edit->setObjectName(name);
  edit->setMaximumWidth(110);
  return edit;
}

}  // namespace

TfmSeries::TfmSeries(TfmMain& main) : QWidget(&main, Qt::Window), main_(main) {
  setObjectName(QStringLiteral("fmSeries"));
  setWindowTitle(QStringLiteral("Fit a dilution series"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildControls();
  ConnectHandlers();
  EnableResults();
  resize(1100, 760);
}

TfmSeries::~TfmSeries() = default;

void TfmSeries::BuildControls() {
  tbTraces_ = new QTableWidget;
  tbTraces_->setObjectName(QStringLiteral("tbTraces"));
  SetUpTraceTable(*tbTraces_);
  const auto button = [](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  btAddFile_ = button("btAddFile", QStringLiteral("Add file..."));
  btAddMain_ = button("btAddMain", QStringLiteral("Add the main window's data"));
  btPlateMap_ = button("btPlateMap", QStringLiteral("Load plate map..."));
  btRemove_ = button("btRemove", QStringLiteral("Remove"));
  btFit_ = button("btSeriesFit", QStringLiteral("Fit"));
  btSave_ = button("btSaveSeries", QStringLiteral("Save results..."));
  btExport_ = button("btExportSeriesFigure", QStringLiteral("Export figure..."));
  lbProgress_ = new QLabel;
  lbProgress_->setObjectName(QStringLiteral("lbSeriesProgress"));
  mReport_ = new TSeriesReportView(this);
  chart_ = new SeriesChart(this);
  chart_->setObjectName(QStringLiteral("chSeries"));

  auto* traceButtons = new QHBoxLayout;
  for (QPushButton* b : {btAddFile_, btAddMain_, btPlateMap_, btRemove_})
    traceButtons->addWidget(b);
  traceButtons->addStretch();
  auto* fitButtons = new QHBoxLayout;
  for (QPushButton* b : {btFit_, btSave_, btExport_}) fitButtons->addWidget(b);
  fitButtons->addWidget(lbProgress_, 1);

  auto* top = new QWidget;
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addLayout(traceButtons);
  topLayout->addWidget(tbTraces_);
  topLayout->addWidget(BuildRates());
  topLayout->addLayout(fitButtons);

  auto* bottom = new QSplitter(Qt::Horizontal);
  bottom->addWidget(chart_);
  bottom->addWidget(BuildReadouts());
  bottom->addWidget(mReport_);
  bottom->setStretchFactor(0, 2);
  bottom->setStretchFactor(1, 3);
  bottom->setSizes({360, 320, 560});
  auto* split = new QSplitter(Qt::Vertical);
  split->addWidget(top);
  split->addWidget(bottom);
  split->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split);
}

QWidget* TfmSeries::BuildRates() {
  auto* box = new QGroupBox(QStringLiteral("Shared rates"));
  auto* grid = new QGridLayout(box);
  const QStringList headers{QString(), QStringLiteral("Value"), QStringLiteral("Min"),
                            QStringLiteral("Max"), QStringLiteral("Fit")};
  for (int32_t c = 0; c < headers.size(); ++c) grid->addWidget(new QLabel(headers[c]), 0, c);
  const Ui& ui = main_.ui();
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    const ParamRow& row = ui.params[static_cast<size_t>(Knuc + r)];
    const QString name = QString::fromLatin1(ParamName(Knuc + r));
    grid->addWidget(new QLabel(name), r + 1, 0);
    edRate_[r] = Field(QStringLiteral("edSeries") + name, row.value->text());
    edMin_[r] = Field(QStringLiteral("edSeries") + name + QStringLiteral("Min"), row.min->text());
    edMax_[r] = Field(QStringLiteral("edSeries") + name + QStringLiteral("Max"), row.max->text());
    chbRate_[r] = new QCheckBox;
    chbRate_[r]->setObjectName(QStringLiteral("chbSeries") + name);
    chbRate_[r]->setChecked(true);
    grid->addWidget(edRate_[r], r + 1, 1);
    grid->addWidget(edMin_[r], r + 1, 2);
    grid->addWidget(edMax_[r], r + 1, 3);
    grid->addWidget(chbRate_[r], r + 1, 4);
  }
  edTStep_ = Field(QStringLiteral("edSeriesTStep"), ui.edTStep->text());
  cbScaling_ = new QComboBox;
  cbScaling_->setObjectName(QStringLiteral("cbScaling"));
  cbScaling_->addItem(QStringLiteral("An amplitude per trace"));
  cbScaling_->addItem(QStringLiteral("One brightness (wells labelled and read alike)"));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Time step (s)"), edTStep_);
  form->addRow(QStringLiteral("Scaling"), cbScaling_);
  grid->addLayout(form, 1, 5, 3, 1);
  grid->setColumnStretch(6, 1);
  return box;
}

QWidget* TfmSeries::BuildReadouts() {
  auto* box = new QWidget;
  edReadoutCc_ = ReadoutConstantField(readoutConstants_.Cc, "edSeriesReadoutCc", box);
  edReadoutKplus_ = ReadoutConstantField(readoutConstants_.KPlus, "edSeriesReadoutKplus", box);
  lbReadoutConstants_ = new QLabel(box);
  lbReadoutConstants_->setObjectName(QStringLiteral("lbSeriesReadoutConstants"));
  lbReadoutConstants_->setWordWrap(true);
  lbReadoutConstants_->hide();
  auto* fields = new QHBoxLayout;
  fields->addWidget(new QLabel(QStringLiteral("Cc (µM)"), box));
  fields->addWidget(edReadoutCc_);
  fields->addSpacing(8);
  fields->addWidget(new QLabel(QStringLiteral("k+ (µM⁻¹s⁻¹)"), box));
  fields->addWidget(edReadoutKplus_);
  fields->addStretch(1);
  scaling_ = new TReadoutScalingView(box);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(fields);
  layout->addWidget(lbReadoutConstants_);
  layout->addWidget(scaling_, 1);
  return box;
}

void TfmSeries::ReadReadoutConstants() {
  QString complaint;
  const std::optional<TReadoutConstants> typed =
      TypedReadoutConstants(*edReadoutCc_, *edReadoutKplus_, complaint);
  lbReadoutConstants_->setText(complaint);
  lbReadoutConstants_->setVisible(!typed);
  if (typed) readoutConstants_ = *typed;  // else the last constants that could be used
}

void TfmSeries::ConnectHandlers() {
  const auto guarded = [](auto handler) { return [handler] { RunGuarded(handler); }; };
  connect(btAddFile_, &QPushButton::clicked, this, guarded([this] { AskFile(); }));
  connect(btAddMain_, &QPushButton::clicked, this, guarded([this] { AddMainWindowData(); }));
  connect(btPlateMap_, &QPushButton::clicked, this, guarded([this] { AskPlateMap(); }));
  connect(btRemove_, &QPushButton::clicked, this, guarded([this] { RemoveSelected(); }));
  connect(btFit_, &QPushButton::clicked, this, guarded([this] { Fit(); }));
  connect(btSave_, &QPushButton::clicked, this, guarded([this] { AskSaveResults(); }));
  connect(btExport_, &QPushButton::clicked, this, guarded([this] { AskExportFigure(); }));
  connect(edReadoutCc_, &QLineEdit::textEdited, this, [this] {
    ReadReadoutConstants();
    RefreshReadouts();
  });
  connect(edReadoutKplus_, &QLineEdit::textEdited, this, [this] {
    ReadReadoutConstants();
    RefreshReadouts();
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { operations_.StopInnermost(); });
  // An edited trace makes the last fit's per-trace values stale.
  connect(tbTraces_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!Running() && item->column() == kColGActin && fit_) ClearTraceResults(*tbTraces_);
    if (item->column() == kColGActin) RefreshReadouts();
  });
}

void TfmSeries::AddFile(const QString& path) {
  const TOpenedData data = ReadDataForWindow(LocalPath(path));
  if (data.tables) {
    AddTableOf(path, *data.tables);
    return;
  }
  const TDataTable& table = *data.plain;
  const QString file = QFileInfo(path).fileName();
  TSeriesTrace shift{};
  shift.TShift = kDefaultSeriesTShift;
  for (size_t c = 1; c < table.Columns.size(); ++c) {
    const std::string& header = c < table.Names.size() ? table.Names[c] : std::string();
    const QString column =
        header.empty() ? QStringLiteral("column %1").arg(c + 1) : QString::fromStdString(header);
    const std::optional<double> gActin = GActinFromHeader(header);
    sources_.push_back(
        MakeSeriesSource(file + QStringLiteral(": ") + column, table.Columns[0], table.Columns[c]));
    AppendTraceRow(*tbTraces_, sources_.back().name, gActin ? SeriesNumber(*gActin) : QString(),
                   shift);
  }
  RefreshReadouts();
}

void TfmSeries::AddTableOf(const QString& path, const files::TFileTables& tables) {
  TTraceChoice choice;
  if (tables.tables.size() > 1 && !AskTableAndWell(this, path, tables, false, choice)) return;
  const files::TKineticTable& table = tables.tables[choice.table];
  TSeriesTrace shift{};
  shift.TShift = kDefaultSeriesTShift;
  for (size_t k = 0; k < table.traces.size(); ++k) {
    const files::TWellTrace& trace = table.traces[k];
    const std::optional<double> gActin = GActinFromHeader(trace.header);
    sources_.push_back(MakeSeriesSource(TraceSourceName(path, tables, choice.table, k), trace.times,
                                        trace.readings));
    AppendTraceRow(*tbTraces_, sources_.back().name, gActin ? SeriesNumber(*gActin) : QString(),
                   shift);
  }
  RefreshReadouts();
}

void TfmSeries::LoadPlateMap(const QString& path) {
  const auto map = files::ReadPlateMap(LocalPath(path));
  // The well is the last part of a trace's name ("run.txt: Read 1: A1").
  int matched = 0;
  std::vector<std::pair<int, double>> changes;
  for (size_t r = 0; r < sources_.size(); ++r) {
    const QString name = sources_[r].name;
    const QString last = name.mid(name.lastIndexOf(QStringLiteral(": ")) + 2).trimmed();
    const auto well = files::WellOf(last.toStdString());
    if (!well) continue;
    const auto found = map.find(*well);
    if (found == map.end()) continue;
    changes.emplace_back(static_cast<int>(r), found->second.gActinUm);
    ++matched;
  }
  if (matched == 0) {
    throw EInvalidInput("'" + path.toStdString() + "' names none of the wells of the traces");
  }
  for (const auto& [row, uM] : changes) tbTraces_->item(row, kColGActin)->setText(SeriesNumber(uM));
}

void TfmSeries::AskPlateMap() {
  const QString path = AskDataFileToOpen(this);
  if (!path.isEmpty()) LoadPlateMap(path);
}

void TfmSeries::AddMainWindowData() {
  // Copied at once: the main window's next Apply replaces its record.
  const TModel& m = main_.model();
  TSeriesTrace shift{};
  shift.TShift = m.Param[TShift];
  shift.FitTShift = m.Fit[TShift];
  shift.TShiftMin = m.Min[TShift];
  shift.TShiftMax = m.Max[TShift];
  sources_.push_back(MakeSeriesSource(main_.DataSource(), m.Time, m.Data));
  AppendTraceRow(*tbTraces_, sources_.back().name, SeriesNumber(m.Init[0]), shift);
  RefreshReadouts();
}

void TfmSeries::RemoveSelected() {
  const QList<QTableWidgetSelectionRange> ranges = tbTraces_->selectedRanges();
  std::vector<int32_t> rows;
  for (const auto& range : ranges) {
    for (int32_t r = range.topRow(); r <= range.bottomRow(); ++r) rows.push_back(r);
  }
  std::sort(rows.rbegin(), rows.rend());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (const int32_t r : rows) {
    tbTraces_->removeRow(r);
    sources_.erase(sources_.begin() + r);
  }
  RefreshReadouts();
}

TSeries TfmSeries::ReadSeries() const {
  TSeries series{};
  series.Traces = ReadTraceRows(*tbTraces_, sources_);
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    series.Rate[r] = ReadReal(edRate_[r]);
    series.RateMin[r] = ReadReal(edMin_[r]);
    series.RateMax[r] = ReadReal(edMax_[r]);
    series.FitRate[r] = chbRate_[r]->isChecked();
  }
  series.Dt = ReadReal(edTStep_);
  series.Scaling =
      cbScaling_->currentIndex() == 1 ? TScaling::SharedBrightness : TScaling::AmplitudePerTrace;
  return series;
}

void TfmSeries::Fit() {
  if (TOperationGuard::AskToStop(btFit_)) return;  // a click while it runs: stop
  const TSeries series = ReadSeries();
  // After the operation has put its controls back: saving and drawing need a fit.
  const auto results = qScopeGuard([this] { EnableResults(); });
  RunFit(series);
}

void TfmSeries::EnableResults() {
  btSave_->setEnabled(fit_.has_value());
  btExport_->setEnabled(fit_.has_value());
}

void TfmSeries::RunFit(const TSeries& series) {
  // While the fit runs only its Stop, Esc and the main window answer; the traces stay as read.
  std::vector<QObject*> off{btAddFile_, btAddMain_, btPlateMap_, btRemove_,
                            btSave_,    btExport_,  edTStep_,    cbScaling_};
  for (int32_t r = 0; r < kSeriesRates; ++r) {
    off.insert(off.end(), {edRate_[r], edMin_[r], edMax_[r], chbRate_[r]});
  }
  const TOperationGuard guard({operations_, events_},
                              {btFit_, QStringLiteral("Stop"), QString(), true, off});
  const auto triggers = tbTraces_->editTriggers();
  tbTraces_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  const auto editable = qScopeGuard([this, triggers] { tbTraces_->setEditTriggers(triggers); });

  lbProgress_->setText(QStringLiteral("Fitting..."));
  const auto report = [this, &guard](const TSeriesProgress& progress) {
    ShowProgress(progress);
    return !guard.StopRequested();
  };
  fitted_ = series;
  fit_.reset();
  chart_->Show(series, {});
  std::string failure;
  fit_ = FitSeries(series, report, failure, true);
  const bool stopped = fit_->Stopped || guard.StopRequested();
  const SingleTraceIntervals single =
      stopped || !failure.empty() ? SingleTraceIntervals() : FitEachAlone(guard);
  ShowFit(stopped || guard.StopRequested(), single);
  // An error after the first evaluation: the best point so far is shown, then why it ended.
  if (!failure.empty()) throw EInvalidInput(failure);
}

void TfmSeries::ShowProgress(const TSeriesProgress& progress) {
  lbProgress_->setText(QStringLiteral("Start %1 of %2, error %3")
                           .arg(progress.StartsDone)
                           .arg(progress.Starts)
                           .arg(SeriesNumber(progress.BestError)));
  ShowBestSoFar(progress.Best);
  events_.Run();
}

void TfmSeries::ShowBestSoFar(const TSeriesFit& best) {
  if (!fitted_ || best.TShift.size() != fitted_->Traces.size()) return;
  try {
    chart_->ShowCurves(*fitted_, SeriesCurves(*fitted_, best));
  } catch (const std::exception&) {
    // The best point was evaluated without error; a drawing that fails changes nothing.
  }
}

SingleTraceIntervals TfmSeries::FitEachAlone(const TOperationGuard& guard) {
  SingleTraceIntervals single;
  if (!fitted_ || fitted_->Traces.size() < 2) return single;
  for (size_t i = 0; i < fitted_->Traces.size() && !guard.StopRequested(); ++i) {
    TSeries alone = *fitted_;
    alone.Traces = {fitted_->Traces[i]};
    lbProgress_->setText(QStringLiteral("Trace %1 alone, for comparison").arg(i + 1));
    try {
      std::string failure;
      const TSeriesFit fit = FitSeries(
          alone,
          [this, &guard](const TSeriesProgress&) {
            events_.Run();
            return !guard.StopRequested();
          },
          failure);
      single.push_back(failure.empty() ? fit.RateInterval : decltype(fit.RateInterval)());
    } catch (const std::exception&) {
      single.push_back({});  // that trace alone cannot be fitted: it says nothing
    }
  }
  if (guard.StopRequested()) single.clear();
  return single;
}

void TfmSeries::ShowFit(bool stopped, const SingleTraceIntervals& single) {
  WriteTraceResults(*tbTraces_, *fit_);
  for (int32_t r = 0; r < kSeriesRates; ++r) edRate_[r]->setText(SeriesNumber(fit_->Rate[r]));
  mReport_->Show(SeriesReportText(*fitted_, *fit_, SourceNames(), single, stopped));
  chart_->Show(*fitted_, SeriesCurves(*fitted_, *fit_));
  lbProgress_->setText(stopped ? QStringLiteral("Stopped") : QStringLiteral("Done"));
}

std::vector<QString> TfmSeries::SourceNames() const {
  std::vector<QString> names;
  for (const SeriesSource& source : sources_) names.push_back(source.name);
  return names;
}

QString TfmSeries::ReportText() const {
  return mReport_->Text();
}

void TfmSeries::SaveResults(const QString& path) {
  if (!fit_) throw EInvalidInput("There is no series fit to save yet");
  const QString readouts =
      SeriesReadoutsTable(TableReadouts(*tbTraces_, sources_), SourceNames(), readoutConstants_);
  SaveFile(path,
           (SeriesResultsTable(*fitted_, *fit_, SourceNames()) + QStringLiteral("\n") + readouts)
               .toUtf8());
}

void TfmSeries::RefreshReadouts() {
  const TSeriesReadouts readouts = TableReadouts(*tbTraces_, sources_);
  WriteTraceReadouts(*tbTraces_, readouts, readoutConstants_);
  scaling_->Show(readouts);
}

void TfmSeries::ExportFigure(const QString& path, double widthMm, double heightMm, int dpi) {
  if (!fit_) throw EInvalidInput("There is no series fit to draw yet");
  const QString format = PictureFormat(path);
  const FigureDescription figure =
      SeriesFigure(*fitted_, SeriesCurves(*fitted_, *fit_), main_.ProbedSeparator());
  SaveFile(path, FigurePicture(figure, widthMm, heightMm, dpi, format));
}

void TfmSeries::AskFile() {
  const QString path = AskDataFileToOpen(this);
  if (!path.isEmpty()) AddFile(path);
}

void TfmSeries::AskSaveResults() {
  const QString path = AskTableFileToSave(this, QStringLiteral("Save the series results"));
  if (!path.isEmpty()) SaveResults(path);
}

void TfmSeries::AskExportFigure() {
  // The size and resolution first, as the main window's Export figure asks them.
  const FigureExport chosen = AskFigureExport(this, main_.ProbedSeparator());
  if (!chosen.path.isEmpty())
    ExportFigure(chosen.path, chosen.widthMm, chosen.heightMm, chosen.dpi);
}

}  // namespace actinfit
