// Data in and out of the main window: the menu commands, opening and dropping data files,
// pasting two columns, saving the results, the curve and the sensitivity table, exporting a
// chart. The formats are in app/files, the questions in app/dialogs.
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include "app/charts/chart_view.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/column_dialog.h"
#include "app/dialogs/file_dialogs.h"
#include "app/dialogs/open_notes.h"
#include "app/dialogs/table_dialog.h"
#include "app/dialogs/user_guide_window.h"
#include "app/files/analysis_file.h"
#include "app/files/chart_export.h"
#include "app/files/data_columns.h"
#include "app/files/data_tables.h"
#include "app/files/file_drop.h"
#include "app/files/number_text.h"
#include "app/files/pasted_columns.h"
#include "app/files/result_files.h"
#include "app/files/save_file.h"
#include "app/main_window.h"
#include "app/support/field_text.h"
#include "app/support/pane_fill.h"
#include "app/support/pane_lines.h"
#include "core/errors.h"
#include "core/files/datafile.h"
#include "core/files/gactin_header.h"
#include "core/numtext.h"

namespace actinfit {

void TfmMain::ConnectMenus() {
  const FileMenu& file = menus_.file;
  connect(file.acOpenData, &QAction::triggered, this, guarded(&TfmMain::acOpenDataClick));
  connect(file.acOpenAnalysis, &QAction::triggered, this, guarded(&TfmMain::acOpenAnalysisClick));
  connect(file.acSaveAnalysis, &QAction::triggered, this, guarded(&TfmMain::acSaveAnalysisClick));
  connect(file.acSaveResults, &QAction::triggered, this, guarded(&TfmMain::acSaveResultsClick));
  connect(file.acSaveCurve, &QAction::triggered, this, guarded(&TfmMain::acSaveCurveClick));
  connect(file.acSaveSensitivity, &QAction::triggered, this,
          guarded(&TfmMain::acSaveSensitivityClick));
  connect(file.acExportChart, &QAction::triggered, this, guarded(&TfmMain::acExportChartClick));
  connect(file.acExportFigure, &QAction::triggered, this, guarded(&TfmMain::acExportFigureClick));
  connect(file.acExit, &QAction::triggered, this, guarded(&TfmMain::btExitClick));
  connect(menus_.edit.acPasteColumns, &QAction::triggered, this, guarded(&TfmMain::PasteColumns));
  connect(menus_.help.acUserGuide, &QAction::triggered, this, guarded(&TfmMain::acUserGuideClick));
  connect(menus_.help.acAbout, &QAction::triggered, this, guarded(&TfmMain::acAboutClick));
}

void TfmMain::OpenDataFile(const QString& path, int readingsColumn) {
  TOpenedData data = ReadDataForWindow(LocalPath(path));
  if (data.tables) {
    OpenTrace(path, *data.tables, readingsColumn);
    return;
  }
  const TDataTable& table = *data.plain;
  int readings = readingsColumn;
  const bool ask = readings == -1 && table.Columns.size() > 2;
  if (ask) {
    readings = AskReadingsColumn(this, path, table);  // it says how the times were read
    if (readings == -1) return;                       // the user cancelled: nothing changes
  } else if (readings == -1) {
    readings = 1;
  }
  CheckReadingsColumn(table, readings, path);
  // The rows whose reading is missing are left out of both panes, which pair lines by position.
  const TColumnPoints points = ColumnPoints(table, static_cast<size_t>(readings));
  FillPane(*ui_.mTime, ColumnLines(points.time, probedSeparator_));
  FillPane(*ui_.mData, ColumnLines(points.readings, probedSeparator_));
  sourceParts_ = actinfit::DataSourceParts(path, table, readings);
  dataSource_ = QString::fromStdString(SourceNameOfParts(sourceParts_));
  const auto column = static_cast<size_t>(readings);
  const std::optional<QString> gActin =
      TakeHeaderGActin(column < table.Names.size() ? table.Names[column] : std::string());
  btApplyClick();
  if (!ask) ShowTimeNote(this, table);
  if (gActin) ShowGActinNote(this, *gActin, QString::fromStdString(table.Names[column]));
}

void TfmMain::OpenDataFile(const QString& path, int table, const QString& well) {
  TOpenedData data = ReadDataForWindow(LocalPath(path));
  if (!data.tables) data.tables = files::ReadTables(LocalPath(path));
  ShowTrace(path, *data.tables,
            {static_cast<size_t>(table), FindWell(*data.tables, table, well, path), {}});
}

void TfmMain::OpenChosenDataFile(const QString& path) {
  try {
    OpenDataFile(path);
  } catch (const files::ETimesMissing&) {
    OpenUntimedFile(path);
  }
}

void TfmMain::OpenUntimedFile(const QString& path) {
  // Read in order one second apart to offer the tables and wells, then with the interval given.
  const std::string local = LocalPath(path);
  const files::TFileTables inOrder = files::ReadTables(local, files::TReadOptions{1.0});
  TTraceChoice choice;
  if (!AskTableAndWell(this, path, inOrder, true, choice, true)) return;  // nothing changes
  const double interval = IntervalOfReads(choice.interval, path);
  ShowTrace(path, files::ReadTables(local, files::TReadOptions{interval}), choice);
}

void TfmMain::OpenTrace(const QString& path, const files::TFileTables& tables, int readingsColumn) {
  TTraceChoice choice;
  if (readingsColumn == -1) {
    const bool ask = tables.tables.size() > 1 || tables.tables[0].traces.size() > 1;
    if (ask && !AskTableAndWell(this, path, tables, true, choice)) return;  // nothing changes
  } else {
    if (tables.tables.size() > 1) {
      throw Error(QStringLiteral("'%1' holds %2 tables: choose a table and a well")
                      .arg(path)
                      .arg(tables.tables.size())
                      .toStdString());
    }
    const int traces = static_cast<int>(tables.tables[0].traces.size());
    if (readingsColumn < 1 || readingsColumn > traces) {
      throw Error(QStringLiteral("'%1' has no readings column %2: its wells are 1 to %3")
                      .arg(path)
                      .arg(readingsColumn)
                      .arg(traces)
                      .toStdString());
    }
    choice.trace = static_cast<size_t>(readingsColumn - 1);
  }
  ShowTrace(path, tables, choice);
}

void TfmMain::ShowTrace(const QString& path, const files::TFileTables& tables,
                        const TTraceChoice& choice) {
  const files::TWellTrace& trace = tables.tables.at(choice.table).traces.at(choice.trace);
  FillPane(*ui_.mTime, ColumnLines(trace.times, probedSeparator_));
  FillPane(*ui_.mData, ColumnLines(trace.readings, probedSeparator_));
  sourceParts_ = TraceSourceParts(path, tables, choice.table, choice.trace);
  dataSource_ = QString::fromStdString(SourceNameOfParts(sourceParts_));
  const std::optional<QString> gActin = TakeHeaderGActin(trace.header);
  btApplyClick();
  if (gActin) ShowGActinNote(this, *gActin, QString::fromStdString(trace.header));
}

std::optional<QString> TfmMain::TakeHeaderGActin(const std::string& header) {
  const std::optional<double> gActin = GActinFromHeader(header);
  if (!gActin) return std::nullopt;
  const QString text = ToQString(ShortestReal(*gActin, DecimalSeparator()));
  ui_.edAG->setText(text);
  return text;
}

void TfmMain::PasteColumns() {
  const PastedColumns columns = SplitTwoColumns(QApplication::clipboard()->text());
  ui_.mTime->setPlainText(columns.time);
  ui_.mData->setPlainText(columns.readings);
  dataSource_ = QStringLiteral("pasted");
  sourceParts_ = {};
  btApplyClick();
}

void TfmMain::SaveResults(const QString& path) {
  ResultsSource source;
  source.dt = model_->Dt;
  source.savedAt = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
  source.readouts = ReadoutLines();
  const std::vector<std::string> lines = ReadLines(*ui_.mResults);
  SaveFile(path, QByteArray::fromStdString(ResultsFileText(lines, ResultOrigins(lines, resultLog_),
                                                           source, probedSeparator_)));
}

void TfmMain::SaveSensitivity(const QString& path) {
  SaveFile(path, QByteArray::fromStdString(PaneFileText(ReadLines(*ui_.mSens))));
}

void TfmMain::SaveCurve(const QString& path) {
  // Evaluated afresh, so the curve belongs to the parameters the record holds now, and on a
  // copy, so the window shows what it showed.
  TModel curve = *model_;
  const double error = Evaluate(curve);
  SaveFile(path, QByteArray::fromStdString(CurveFileText(curve, error, probedSeparator_)));
}

void TfmMain::ExportChart(int chart, const QString& path) {
  ChartView* view = chart == 1 ? ui_.Chart1 : chart == 2 ? ui_.Chart2 : nullptr;
  if (view == nullptr) {
    throw Error("There is no chart " + std::to_string(chart) +
                ": 1 is the data chart, 2 the error chart");
  }
  const QString format = PictureFormat(path);
  LayOutHiddenChart(*view, ui_.PageControl1->currentWidget()->size());
  view->Redraw();
  SaveFile(path, ChartPicture(*view, view->size(), format));
}

void TfmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedDataFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfmMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedDataFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  OpenDroppedFile(path);
}

void TfmMain::AcceptFileDrops() {
  setAcceptDrops(true);
  auto* filter = new FileDropFilter(this, [this](const QString& path) { OpenDroppedFile(path); });
  filter->WatchChildrenOf(*this);
}

void TfmMain::OpenDroppedFile(const QString& path) {
  // Opened once the drop is over: the column question must not hold up the dragging program.
  QTimer::singleShot(0, this, [this, path] {
    RunHandler(
        [this, path] { IsAnalysisFile(path) ? OpenAnalysis(path) : OpenChosenDataFile(path); });
  });
}

void TfmMain::acOpenDataClick() {
  const QString path = AskDataFileToOpen(this);
  if (!path.isEmpty()) OpenChosenDataFile(path);
}

void TfmMain::acSaveResultsClick() {
  const QString path = AskTableFileToSave(this, QStringLiteral("Save results"));
  if (!path.isEmpty()) SaveResults(path);
}

void TfmMain::acSaveCurveClick() {
  const QString path = AskTableFileToSave(this, QStringLiteral("Save curve"));
  if (!path.isEmpty()) SaveCurve(path);
}

void TfmMain::acSaveSensitivityClick() {
  const QString path = AskTableFileToSave(this, QStringLiteral("Save sensitivity table"));
  if (!path.isEmpty()) SaveSensitivity(path);
}

void TfmMain::acExportChartClick() {
  const bool fitting = ui_.PageControl1->currentWidget() == ui_.TabSheet3;
  const ChartExport chosen = AskChartExport(this, fitting ? 2 : 1);
  if (chosen.chart != 0) ExportChart(chosen.chart, chosen.path);
}

void TfmMain::acAboutClick() {
  ShowAbout(this);
}

void TfmMain::acUserGuideClick() {
  if (userGuide_ == nullptr) userGuide_ = new UserGuideWindow(this);
  userGuide_->show();
  userGuide_->raise();
  userGuide_->activateWindow();
}

}  // namespace actinfit
