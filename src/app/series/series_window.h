// Fit > Fit a dilution series...: a window of its own for fitting one set of rates to traces at
// several G-actin concentrations. It copies what it takes from the main window when it takes it and
// never reaches into the main window's record during a fit.
#pragma once

#include <QWidget>
#include <array>
#include <optional>
#include <vector>

#include "app/figure/figure_picture.h"
#include "app/series/series_table.h"
#include "app/series/series_text.h"
#include "app/support/event_points.h"
#include "app/support/running_operations.h"
#include "core/files/tables.h"
#include "core/readouts.h"
#include "core/series_analysis.h"
#include "core/series_fit.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace actinfit {

class SeriesChart;
class TReadoutScalingView;
class TSeriesReportView;
class TOperationGuard;
class TfmMain;

class TfmSeries : public QWidget {
  Q_OBJECT

 public:
  // A top-level window, owned by `main` and closed with it.
  explicit TfmSeries(TfmMain& main);
  ~TfmSeries() override;

  // Every readings column of a delimited file as a trace, or every well of one table of an
  // instrument export (asked where it holds several); G-actin from its header where it names
  // a concentration.
  void AddFile(const QString& path);
  // Sets the G-actin of each trace whose well the plate map names (well, G-actin in µM, label).
  void LoadPlateMap(const QString& path);
  // The main window's current data, G-actin and time shift, copied now.
  void AddMainWindowData();
  // Removes the selected traces.
  void RemoveSelected();
  // Fits the series; while a fit runs, asks it to stop.
  void Fit();
  // The last fit as a tab-separated table.
  void SaveResults(const QString& path);
  // All traces and their fits coloured by concentration, residuals below; PNG at `dpi`, SVG or
  // PDF, by the extension of `path`.
  void ExportFigure(const QString& path, double widthMm = kFigureWidthMm,
                    double heightMm = kFigureHeightMm, int dpi = kFigureDpi);

  bool Running() const { return operations_.Any(); }
  const std::optional<TSeriesFit>& LastFit() const { return fit_; }
  QString ReportText() const;

  // The window as an analysis file keeps it, and that state shown again: nothing is fitted or
  // evaluated (the fit's curves come from the file). Checked before, it cannot fail.
  TSavedSeries Saved() const;
  void Restore(const TSavedSeries& saved);

 private:
  void BuildControls();
  QWidget* BuildRates();
  void ConnectHandlers();
  // The series as the controls hold it; refuses missing or invalid fields naming them.
  TSeries ReadSeries() const;
  void RunFit(const TSeries& series);
  void EnableResults();
  void ShowProgress(const TSeriesProgress& progress);
  // The fitted curves of the best point so far on the chart.
  void ShowBestSoFar(const TSeriesFit& best);
  void ShowFit(bool stopped, const SingleTraceIntervals& single);
  // What each trace fitted alone says about the rates (for the report's comparison).
  SingleTraceIntervals FitEachAlone(const TOperationGuard& guard);
  std::vector<QString> SourceNames() const;
  // The rates' fields, the time step, Cc and k+.
  std::vector<QLineEdit*> Fields() const;
  void AskFile();
  void AskPlateMap();
  void AddTableOf(const QString& path, const files::TFileTables& tables);
  void AskSaveResults();
  void AskExportFigure();
  // The readout columns and the t½ plot from the traces as the table holds them.
  void RefreshReadouts();
  // Cc and k+ above the t½ plot.
  QWidget* BuildReadouts();
  // Takes Cc and k+ as typed when they can be used, or says why not (the columns then keep the
  // last that could).
  void ReadReadoutConstants();

  TfmMain& main_;
  QTableWidget* tbTraces_;
  QPushButton *btAddFile_, *btAddMain_, *btPlateMap_, *btRemove_, *btFit_, *btSave_, *btExport_;
  std::array<QLineEdit*, 3> edRate_{}, edMin_{}, edMax_{};
  std::array<QCheckBox*, 3> chbRate_{};
  QLineEdit* edTStep_;
  QComboBox* cbScaling_;
  QLabel* lbProgress_;
  TSeriesReportView* mReport_;
  SeriesChart* chart_;
  TReadoutScalingView* scaling_;
  QLineEdit *edReadoutCc_, *edReadoutKplus_;
  QLabel* lbReadoutConstants_;          // why what is typed there cannot be used
  TReadoutConstants readoutConstants_;  // Cc and k+ of the barbed ends column

  std::vector<SeriesSource> sources_;  // one per table row
  std::optional<TSeries> fitted_;      // the series of the last fit
  std::optional<TSeriesFit> fit_;
  TRunningOperations operations_;  // the fit, while it runs: what Esc stops
  TEventPoints events_;
};

}  // namespace actinfit
