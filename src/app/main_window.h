// The main window: its handlers, and the two steps every operation shares, Apply (reload the
// data panes and the fields into a new model record) and Calculate (evaluate and redraw).
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/charts/chart_pacer.h"
#include "app/dialogs/table_dialog.h"
#include "app/figure/figure.h"
#include "app/figure/figure_picture.h"
#include "app/layout/ui.h"
#include "app/menus/menu_bar.h"
#include "app/support/event_points.h"
#include "app/support/operation_guard.h"
#include "app/support/running_operations.h"
#include "core/analysis.h"
#include "core/files/tables.h"
#include "core/fit_statistics.h"
#include "core/model.h"
#include "core/profile.h"
#include "core/readouts.h"
#include "core/refine.h"
#include "core/search.h"

namespace actinfit {

// A trace's readouts and the points they were read from.
struct TSavedTraceReadouts {
  std::vector<double> time, data;
  TReadouts readouts;
};

class TfmMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds every control, wires the handlers and runs FormCreate. FormShow runs when the
  // window is first shown.
  TfmMain();
  ~TfmMain() override;

  // The handlers, named after control and event. Each runs inside the guard of its event when
  // a control triggers it; called directly, its errors reach the caller.
  void FormCreate();
  void FormShow();
  void btApplyClick();
  void btCalculateClick();
  void btClearTimeClick();
  void btClearExpClick();
  void btClearModClick();
  void btClearClick();
  void btExitClick();

  // The long operations.
  void btFitClick();
  void btEstimateClick();
  void btSeriesClick();
  void Button1Click();
  // Esc: stops the running operation as a click on its stop button does (the innermost one
  // the user started; a fit or estimation inside a series counts as the series).
  void FormEscapePress();

  // Whether a long operation (fit, estimation, series, sensitivity scan) is running.
  bool OperationRunning() const { return operations_.Any(); }

  // How the long operations evaluate their independent parameter sets: batched unless told
  // otherwise (the benchmarks compare both ways).
  void SetEvaluation(TEvaluation evaluation) { evaluation_ = evaluation; }

  // The Fit menu: the least-squares refinement (a second trigger while it runs stops it with
  // the best point so far) and the report of the last one.
  void RefineClick();
  void ShowFitReport();
  // The model-free readouts of the record's trace as comment lines of saved results.
  std::vector<std::string> ReadoutLines() const;
  // The profile intervals of the refined parameters and their combinations, refining first
  // when the record does not hold a refinement's result; a second trigger (or Esc) stops it
  // with the intervals finished so far. The report then shows them.
  void ProfileClick();
  // Fit > Fit a dilution series...: shows the series window, made at its first use (one per main
  // window).
  void FitSeriesClick();

  // Data in and out. Each raises its errors to a direct caller; an error leaves the panes,
  // fields and record as they were.
  // Reads a file of delimited columns: column 0 is the time, `readingsColumn` (from 1) the
  // readings; with -1 a file of more than two columns asks. The columns go into the data panes
  // with the window's decimal mark, then Apply runs.
  // An instrument export (several tables, or columns that are no trace such as a temperature)
  // asks for a table and a well instead, the first well offered; `readingsColumn` then counts
  // the wells of its one table.
  void OpenDataFile(const QString& path, int readingsColumn = -1);
  // Reads well `well` ("A1") of table `table` (from 0) of an instrument export.
  void OpenDataFile(const QString& path, int table, const QString& well);
  // The clipboard's two tab-separated columns into the data panes, then Apply.
  void PasteColumns();
  // Where the data in the panes came from, for saved files and figures: "FILE: COLUMN" for an
  // opened file, "pasted" for the clipboard, "default data set" at start.
  const QString& DataSource() const { return dataSource_; }
  const TSourceParts& DataSourceParts() const { return sourceParts_; }
  // Tab-separated text with the window's decimal mark, UTF-8, written through a temporary file.
  // Each results line ends with the source and G-actin of the data it was computed from.
  void SaveResults(const QString& path);
  void SaveCurve(const QString& path);
  void SaveSensitivity(const QString& path);
  // Chart 1 (data) or 2 (error) as PNG at twice the screen resolution, SVG or PDF, by the
  // extension of `path`.
  void ExportChart(int chart, const QString& path);
  // A figure for a paper or a slide: data and model above, residuals below, a legend naming
  // the data source; PNG at `dpi`, SVG or PDF as vectors, by the extension of `path`.
  void ExportFigure(const QString& path, double widthMm = kFigureWidthMm,
                    double heightMm = kFigureHeightMm, int dpi = kFigureDpi);

  // The whole analysis in one file: the data and their source, every field, mark, label and
  // pane, the charts, the last refinement with its report and profile (app/files/analysis_*,
  // core/analysis.h). Opening checks the whole file first: a file it refuses, or one opened
  // while a long operation runs, leaves the window as it was; one it takes is shown as it was
  // saved, nothing computed again. The window's title then names the file.
  void SaveAnalysis(const QString& path);
  void OpenAnalysis(const QString& path);
  // The fit report's text as its Copy button gives it; empty before a refinement.
  QString FitReportText() const;

  // The menu commands: ask for a file name, then do the above.
  void acOpenDataClick();
  void acOpenAnalysisClick();
  void acSaveAnalysisClick();
  void acSaveResultsClick();
  void acSaveCurveClick();
  void acSaveSensitivityClick();
  void acExportChartClick();
  void acExportFigureClick();
  void acAboutClick();
  // Help > User guide: the guide in a window of its own, made at its first use.
  void acUserGuideClick();

  // The current model record. Apply replaces it: take it anew after any point where events
  // are processed.
  TModel& model() { return *model_; }

  // The decimal mark found when the window was created, '.' or ','.
  char ProbedSeparator() const { return probedSeparator_; }

  Ui& ui() { return ui_; }
  const Menus& menus() const { return menus_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // A close request (Exit or the window's close control) while a handler runs waits for it.
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  using Handler = void (TfmMain::*)();

  // The refinement writes the fields as the fit does: Knuc with two exponent digits.
  static constexpr int32_t kRefineKnucDigits = 2;

  // The slot that runs `handler` so that an error it raises ends in the error box.
  auto guarded(Handler handler) {
    return [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); };
  }
  void RunHandler(const std::function<void()>& handler);
  void ConnectHandlers();
  void ConnectMenus();
  // A data file dropped on the window or any of its controls opens.
  void AcceptFileDrops();
  void OpenDroppedFile(const QString& path);
  // File > Open data... and a drop: OpenDataFile, and for a file without times the table
  // question with the seconds between reads.
  void OpenChosenDataFile(const QString& path);
  void OpenUntimedFile(const QString& path);
  // The G-actin the header of the well being opened names into its field (before Apply), as
  // the field shows it; none where the header names none, the field then as it was.
  std::optional<QString> TakeHeaderGActin(const std::string& header);
  // One trace of an instrument export into the data panes, then Apply.
  void OpenTrace(const QString& path, const files::TFileTables& tables, int readingsColumn);
  void ShowTrace(const QString& path, const files::TFileTables& tables, const TTraceChoice& choice);

  int32_t LoadPanes();
  void ReadFields();
  // The record's curve and residuals and the zero line on the chart.
  void ShowCurves();
  // The window's state as an analysis file holds it, and that state shown again.
  TAnalysis CurrentAnalysis() const;
  void ShowAnalysis(const TAnalysis& analysis);
  void ShowRefinedResult(const TAnalysis& analysis);
  // The title naming the analysis file last saved or opened.
  void NameAnalysisFile(const QString& path);
  // Writes the model column of the last Calculate into its pane, if not done yet.
  void ShowModelColumn();
  // The record's data, model and residuals as a figure of one trace named by its source.
  FigureDescription CurrentFigure() const;

  // The fit of the marked parameters: reports every showEvery iterations, lets pending events
  // run there and ends early when the Fit button's tag was cleared. Returns the final error.
  double RunFit(int32_t maxIterations, int32_t showEvery);
  // Hands the core the current record at every use, never a reference that outlives an Apply.
  ModelAccess CurrentModel();
  // Writes Param of the record into the value fields; Knuc with `knucExponentDigits`.
  void WriteParameterFields(int32_t knucExponentDigits);
  void AppendResultLine(double error);
  // Refuses a search whose evaluations, from the lowest TShift it may try, would take too
  // many steps.
  void CheckSearchedStepCount() const;
  // Lets the window run its pending events inside a long operation, the charts drawn first if
  // their interval is up.
  void RunPendingEvents();
  // Runs them if the event interval is up.
  void RunPendingEventsIfDue();
  // Connects the Fit menu and keeps its Refine enabled only while no other operation runs.
  void ConnectRefine();
  // The refinement itself, once Apply has run, under its operation guard.
  void RunRefinement();
  // The profile intervals, once Apply has run, under their operation guard; refines first
  // unless the record holds a refinement's result. Keeps them with the last refinement's
  // statistics; false when stopped before any profile ran.
  bool RunProfile();
  // What the Fit menu's operations turn off while they run.
  std::vector<QObject*> FitOperationsOff();
  // Refines the record and shows the result: fields, result line, error chart, statistics.
  TRefinement RefineRecord(const std::function<bool()>& stopRequested);
  // Remembers the record as a refinement (or a profile that moved its best) left it.
  void RememberRefinedResult();
  // When the record Apply made holds the inputs of the last result and the values its fields
  // showed, puts the exact result back in it (the fields show it rounded) and returns true.
  bool RestoreRefinedResult();
  void KeepProfile(const TProfileResult& profile);
  // Where the window's long operations run: its list of them and its event points.
  TOperationPlace OperationPlace();

  Ui ui_;
  Menus menus_;
  std::unique_ptr<TModel> model_;
  // The model column waits here while its pane cannot be seen: a fit's reports then skip the
  // costliest part of Calculate. It is written when the page is shown or the handler ends.
  std::vector<double> modelColumn_;
  bool modelColumnPending_ = false;
  TChartPacer charts_;
  TEventPoints events_;
  TRunningOperations operations_;
  TEvaluation evaluation_ = TEvaluation::Batched;
  char probedSeparator_ = '.';
  QString dataSource_ = QStringLiteral("default data set");
  TSourceParts sourceParts_;  // the file, table and well of dataSource_; none when not a file
  bool shown_ = false;
  // Handlers on the stack (nested ones run inside a long operation's event points), and whether
  // a close request waits for the last of them to end.
  int32_t handlerDepth_ = 0;
  bool closePending_ = false;
  // The last refinement and its statistics, for its report (with the profile, once run).
  std::optional<TRefinement> lastRefinement_;
  std::optional<TFitStatistics> lastFit_;
  TReadoutConstants readoutConstants_;  // Cc and k+ as last typed in the fit report
  // The readouts of the record's trace, read once for the points they were read from (or as an
  // analysis file kept them).
  mutable std::optional<TSavedTraceReadouts> readouts_;
  const TReadouts& CurrentReadouts() const;
  // The record of the last result with the values its fields then showed.
  std::optional<TModel> refinedRecord_;
  std::array<double, 5> refinedShown_{};
  // Every result line appended, with the data it was computed from.
  std::vector<TLoggedResult> resultLog_;
  QString title_;  // the window's own title, without a file name
  QWidget* userGuide_ = nullptr;
};

}  // namespace actinfit
