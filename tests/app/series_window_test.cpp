// Fit > Fit a dilution series...: the series window driven as the user drives it, on a plate file
// of four concentrations made by the model; stops, a nested Apply in the main window, refusals.
#include "app/series/series_window.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QXYSeries>
#include <cmath>
#include <tuple>

#include "app/dialogs/figure_dialog.h"
#include "app/series/series_table.h"
#include "core/errors.h"
#include "core/numtext.h"
#include "series_file.h"
#include "window_fixture.h"

namespace actinfit::test {

class SeriesWindowTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override {
    plate_ = dir_.filePath(QStringLiteral("plate.tsv"));
    WriteSeriesFile(plate_.toStdString(), kConcentrationHeaders);
  }

  TfmSeries& OpenSeries() {
    window_->menus().fit.acFitSeries->trigger();
    return *Control<TfmSeries>(*window_, "fmSeries");
  }

  QTableWidget& Traces(TfmSeries& series) { return *Control<QTableWidget>(series, "tbTraces"); }

  QString Cell(TfmSeries& series, int row, int column) {
    return Traces(series).item(row, column)->text();
  }

  // The report's tables as tables, whose columns fit the pane wherever the splitter is: narrow,
  // the interval's words wrap onto more lines and no column runs under the next.
  void ReportFitsThePane(TfmSeries& series) {
    auto* pane = Control<QScrollArea>(series, "mSeriesReport");
    auto* splitter = qobject_cast<QSplitter*>(pane->parentWidget());
    QVERIFY(splitter != nullptr);
    auto* rates = Control<QTableWidget>(series, "tbSeriesRates");
    auto* traces = Control<QTableWidget>(series, "tbSeriesTraces");
    QCOMPARE(rates->rowCount(), 5);
    QCOMPARE(rates->item(3, 0)->text(), QStringLiteral("Knuc x Kon"));
    QCOMPARE(traces->rowCount(), 4);
    QCOMPARE(traces->item(3, 0)->text(), QStringLiteral("plate.tsv: A4 12uM"));
    series.resize(1400, 800);
    QTest::qWait(20);
    const int total = splitter->sizes()[0] + splitter->sizes()[1] + splitter->sizes()[2];
    int narrowHeight = 0;
    for (const int width : {300, total - 600}) {
      splitter->setSizes({total - 280 - width, 280, width});
      QTest::qWait(20);
      // Too narrow for its words, a table scrolls sideways; otherwise every column shows whole.
      for (QTableWidget* table : {rates, traces}) {
        const bool scrolls = table->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
        QVERIFY(scrolls || table->horizontalHeader()->length() <= table->viewport()->width());
        if (width > 300) QVERIFY(!scrolls);
      }
      if (narrowHeight == 0) narrowHeight = rates->height();
      const QString name = width == 300 ? QStringLiteral("narrow") : QStringLiteral("wide");
      series.grab().save(QStringLiteral("/tmp/series_report_") + name + QStringLiteral(".png"));
    }
    QVERIFY2(rates->height() < narrowHeight, "the wrapped rows take more height when narrow");
  }

  QTemporaryDir dir_;
  QString plate_;

 private slots:
  // The menu shows one top-level, non-modal window; the main window keeps its layout.
  void menuShowsOneWindowBesideTheMainWindow() {
    const QRect central = window_->centralWidget()->geometry();
    TfmSeries& series = OpenSeries();
    QVERIFY(series.isWindow());
    QVERIFY(!series.isModal());
    QCOMPARE(&OpenSeries(), &series);
    QCOMPARE(window_->findChildren<TfmSeries*>().size(), 1);
    QCOMPARE(window_->centralWidget()->geometry(), central);
    QCOMPARE(Control<QLineEdit>(series, "edSeriesKnuc")->text(), QStringLiteral("1E-8"));
  }

  // Every readings column is a trace; the concentration comes from the header in each spelling.
  void addFileReadsTheConcentrationsFromTheHeaders() {
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    QCOMPARE(Traces(series).rowCount(), 4);
    const QStringList expected{"1.5", "3", "6", "12"};
    for (int row = 0; row < 4; ++row) {
      QCOMPARE(Cell(series, row, kColGActin), expected[row]);
      QVERIFY(Cell(series, row, kColSource).startsWith(QStringLiteral("plate.tsv: A")));
    }
  }

  // An export of two tables adds the wells of the one chosen; a plate map then sets the G-actin
  // of the wells it names and leaves the others; a map naming none of them changes nothing.
  void addFileTakesTheWellsOfATableAndAPlateMapTheirGActin() {
    TfmSeries& series = OpenSeries();
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) qFatal("no question");
      dialog->findChild<QComboBox*>(QStringLiteral("cbTable"))->setCurrentIndex(1);
      dialog->accept();
    });
    series.AddFile(QStringLiteral(ACTINFIT_EXPORTS_DIR "/wells_down_labels.csv"));
    QCOMPARE(Traces(series).rowCount(), 2);
    QCOMPARE(Cell(series, 0, kColSource), QStringLiteral("wells_down_labels.csv: OD600: A1"));
    QCOMPARE(Cell(series, 1, kColSource), QStringLiteral("wells_down_labels.csv: OD600: A2"));

    const QString map = dir_.filePath(QStringLiteral("map.csv"));
    const auto write = [&map](const QByteArray& text) {
      QFile file(map);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(text);
    };
    write("well,G-actin (uM),label\nA02,2.5,with profilin\nH12,4\n");
    series.LoadPlateMap(map);
    QCOMPARE(Cell(series, 0, kColGActin), QString());
    QCOMPARE(Cell(series, 1, kColGActin), QStringLiteral("2.5"));

    write("well,G-actin (uM)\nH12,4\n");
    QVERIFY_THROWS_EXCEPTION(actinfit::EInvalidInput, series.LoadPlateMap(map));
    QCOMPARE(Cell(series, 1, kColGActin), QStringLiteral("2.5"));
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      series.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/series_plate_map.png"));
    }
  }

  // The fit recovers the rates the plate was made with, fills the table and the report, saves
  // its table and exports the figure.
  void fitReportsSavesAndExports() {
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    series.show();
    series.Fit();
    QVERIFY(boxes_->texts.isEmpty());
    QVERIFY(series.LastFit().has_value());
    const TSeriesFit& fit = *series.LastFit();
    // With an amplitude per trace the series determines the product well, the rates less so.
    const double product = fit.Rate[0] * fit.Rate[1];
    QVERIFY2(std::fabs(product / (kSeriesTruth[0] * kSeriesTruth[1]) - 1) < 0.1,
             qPrintable(series.ReportText()));
    QVERIFY(std::fabs(fit.Error - 25) < 4);
    for (int row = 0; row < 4; ++row) {
      QVERIFY(!Cell(series, row, kColBackground).isEmpty());
      QVERIFY(std::fabs(Cell(series, row, kColError).toDouble() - 25) < 8);
    }
    const QString report = series.ReportText();
    for (const char* part : {"Knuc x Kon", "Koff / Kon (uM)", "Runs", "plate.tsv: A4 12uM"}) {
      QVERIFY2(report.contains(QLatin1String(part)), part);
    }
    QCOMPARE(Control<QPushButton>(series, "btSeriesFit")->text(), QStringLiteral("Fit"));
    ReportFitsThePane(series);

    const QString table = dir_.filePath(QStringLiteral("series.tsv"));
    series.SaveResults(table);
    QFile saved(table);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines[1].startsWith(QStringLiteral("plate.tsv: A1 1.5 uM\t1.5\t")));
    QVERIFY(lines.filter(QStringLiteral("KoffKon\t")).size() == 1);
    // The readouts follow the fit's table: a line per trace and the scaling.
    QCOMPARE(lines.filter(QStringLiteral("plate.tsv: A")).size(), 8);
    QCOMPARE(lines.filter(QString::fromUtf8("t½ scales as [G]^")).size(), 1);

    const QString figure = dir_.filePath(QStringLiteral("series.png"));
    series.ExportFigure(figure);
    const QImage picture(figure);
    QCOMPARE(picture.size(), FigurePixels(kFigureWidthMm, kFigureHeightMm, kFigureDpi));
    // The size and resolution a user chose; the button asks them first, and Cancel there ends
    // it without a file dialog or an error.
    const QString small = dir_.filePath(QStringLiteral("small.png"));
    series.ExportFigure(small, 80, 60, 150);
    QCOMPARE(QImage(small).size(), FigurePixels(80, 60, 150));
    bool asked = false;
    QTimer::singleShot(0, &series, [&] {
      auto* dialog = qobject_cast<FigureSizeDialog*>(QApplication::activeModalWidget());
      asked = dialog != nullptr;
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    Click(Control<QPushButton>(series, "btExportSeriesFigure"));
    QVERIFY(asked);
    QVERIFY(boxes_->texts.isEmpty());
    picture.save(QStringLiteral("/tmp/series_figure.png"));
    QTest::qWait(50);  // the legend is laid out from the event loop
    series.grab().save(QStringLiteral("/tmp/series_window.png"));
  }

  // Without a fit: a readout per trace in the table, t½ falling with G-actin, the log-log plot's
  // sentence; a G-actin typed anew moves the barbed ends and the scaling.
  void readoutsFillTheTableAndThePlot() {
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    series.resize(1300, 800);
    series.show();
    QVERIFY(QTest::qWaitForWindowExposed(&series));
    double previous = 1e300;
    for (int row = 0; row < 4; ++row) {
      const double half = ParseReal(Cell(series, row, kColTHalf).toStdString());
      QVERIFY2(half > 0 && half < previous, qPrintable(Cell(series, row, kColTHalf)));
      previous = half;
      QVERIFY(ParseReal(Cell(series, row, kColBarbedEnds).toStdString()) > 0);
    }
    auto* sentence = Control<QLabel>(series, "lbReadoutScaling");
    QVERIFY2(sentence->text().contains(QString::fromUtf8("over 4 traces from 1.5 to 12 µM")),
             qPrintable(sentence->text()));
    auto* chart = Control<QChartView>(series, "chReadoutScaling");
    QCOMPARE(qobject_cast<QXYSeries*>(chart->chart()->series()[0])->count(), 4);
    QTest::qWait(50);
    series.grab().save(QStringLiteral("/tmp/series_window_readouts.png"));

    // Barbed ends at t1/2 do not depend on G for a given trace's shape, but need G above Cc.
    Traces(series).item(0, kColGActin)->setText(QStringLiteral("0.05"));
    QCOMPARE(Cell(series, 0, kColBarbedEnds), QStringLiteral("-"));
    QVERIFY(sentence->text().contains(QString::fromUtf8("over 4 traces from 0.05 to 12 µM")));
    Traces(series).item(0, kColGActin)->setText(QStringLiteral("x"));
    QVERIFY(sentence->text().contains(QString::fromUtf8("over 3 traces from 3 to 12 µM")));
    QVERIFY(boxes_->texts.isEmpty());
  }

  // Cc and k+ typed in the window: the barbed ends follow (halving k+ doubles them; a Cc above a
  // trace's G-actin leaves it none), what is no number only says so, and the window's saved state
  // keeps them.
  void readoutConstantsAreTypedAndKept() {
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    series.resize(1300, 800);
    series.show();
    auto* cc = Control<QLineEdit>(series, "edSeriesReadoutCc");
    auto* kplus = Control<QLineEdit>(series, "edSeriesReadoutKplus");
    QCOMPARE(cc->text(), QStringLiteral("0.1"));
    QCOMPARE(kplus->text(), QStringLiteral("11.6"));
    const auto ends = [&](int row) {
      return ParseReal(Cell(series, row, kColBarbedEnds).toStdString());
    };
    const double before = ends(1);
    const auto retype = [](QLineEdit* field, const char* text) {
      field->selectAll();
      QTest::keyClicks(field, QString::fromLatin1(text));
    };
    retype(kplus, "5.8");
    QVERIFY(std::fabs(ends(1) / before - 2) < 1e-5);
    retype(cc, "2");
    QCOMPARE(Cell(series, 0, kColBarbedEnds), QStringLiteral("-"));  // 1.5 uM is below Cc
    QVERIFY(std::fabs(ends(1) / before - 2) < 1e-5);
    auto* complaint = Control<QLabel>(series, "lbSeriesReadoutConstants");
    QVERIFY(!complaint->isVisible());
    for (const auto& [field, text, says] :
         {std::tuple{kplus, "0", "k+ above 0"}, std::tuple{cc, "-1", "Cc must be 0 or above"},
          std::tuple{kplus, "1.2.3", "must be numbers"}}) {
      retype(field, text);
      QVERIFY2(complaint->isVisible() && complaint->text().contains(QLatin1String(says)), text);
      QCOMPARE(Cell(series, 0, kColBarbedEnds), QStringLiteral("-"));  // the last usable ones
    }
    retype(cc, "2");
    retype(kplus, "5.8");
    QVERIFY(!complaint->isVisible());
    QTest::qWait(50);
    series.grab().save(QStringLiteral("/tmp/series_window_constants.png"));

    const TSavedSeries saved = series.Saved();
    series.Restore(TSavedSeries{});  // an empty window: the defaults
    QCOMPARE(kplus->text(), QStringLiteral("11.6"));
    series.Restore(saved);
    QCOMPARE(cc->text(), QStringLiteral("2"));
    QCOMPARE(kplus->text(), QStringLiteral("5.8"));
    QCOMPARE(Cell(series, 0, kColBarbedEnds), QStringLiteral("-"));
    QVERIFY(std::fabs(ends(1) / before - 2) < 1e-5);
    QVERIFY(boxes_->texts.isEmpty());
  }

  // A click on Stop or Esc ends the fit at its next report with the best point so far; the
  // button and the other controls are back.
  void stopByButtonOrEscape_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("button") << false;
    QTest::newRow("Esc") << true;
  }
  void stopByButtonOrEscape() {
    QFETCH(bool, escape);
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    series.show();
    // Esc reaches the window the user works in.
    series.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&series));
    auto* fitButton = Control<QPushButton>(series, "btSeriesFit");
    auto* addFile = Control<QPushButton>(series, "btAddFile");
    bool seenRunning = false;
    qsizetype curvePoints = 0;
    WhenEventsRun([&] {
      seenRunning =
          series.Running() && fitButton->text() == QStringLiteral("Stop") && !addFile->isEnabled();
      // The chart follows the fit: each trace's readings and the best curve so far.
      const QList<QAbstractSeries*> drawn =
          Control<QChartView>(series, "chSeries")->chart()->series();
      if (drawn.size() == 8) curvePoints = static_cast<QXYSeries*>(drawn[1])->count();
      if (escape) {
        QTest::keyClick(&Traces(series), Qt::Key_Escape);
      } else {
        Click(fitButton);
      }
    });
    series.Fit();
    QVERIFY(seenRunning);
    QCOMPARE(curvePoints, 401);
    QVERIFY(series.LastFit().has_value());
    QVERIFY(series.LastFit()->Stopped);
    QVERIFY(series.ReportText().startsWith(QStringLiteral("Stopped")));
    QCOMPARE(fitButton->text(), QStringLiteral("Fit"));
    QVERIFY(addFile->isEnabled());
    QVERIFY(!series.Running());
  }

  // The series copied its data when it was added: an Apply in the main window during the fit
  // replaces the main window's record and leaves the series fit exactly as without it.
  void nestedApplyInTheMainWindowChangesNothingOfTheSeries() {
    TfmSeries& series = OpenSeries();
    series.AddMainWindowData();
    QCOMPARE(Cell(series, 0, kColGActin), QStringLiteral("6"));
    QCOMPARE(Cell(series, 0, kColTShift), QStringLiteral("100"));
    QCOMPARE(Traces(series).item(0, kColFitTShift)->checkState(), Qt::Checked);
    Control<QCheckBox>(series, "chbSeriesKoff")->setChecked(false);
    series.Fit();
    const TSeriesFit undisturbed = *series.LastFit();

    // From the same start as the first fit, which wrote its rates and time shift back.
    Traces(series).item(0, kColTShift)->setText(QStringLiteral("100"));
    SetText(series, "edSeriesKnuc", Control<QLineEdit>(*window_, "edKnuc")->text());
    SetText(series, "edSeriesKon", Control<QLineEdit>(*window_, "edKon")->text());
    int applied = 0;
    WhenEventsRun([&] {
      SetText(*window_, "edAG", QStringLiteral("3"));
      SetText(*window_, "mData", QStringLiteral("1\n2\n3"));
      Click(window_->ui().btApply);
      ++applied;
    });
    series.Fit();
    QCOMPARE(applied, 1);
    QCOMPARE(window_->model().Count, 3);
    QCOMPARE(Cell(series, 0, kColGActin), QStringLiteral("6"));
    QCOMPARE(series.LastFit()->Rate, undisturbed.Rate);
    QCOMPARE(series.LastFit()->TShift, undisturbed.TShift);
    QCOMPARE(series.LastFit()->Error, undisturbed.Error);
    QCOMPARE(series.LastFit()->Points, 1201);
  }

  // What cannot be fitted is refused naming the trace or the rate, and no fit is made.
  void refusalsNameTheTraceOrTheRate_data() {
    QTest::addColumn<QString>("gActin");
    QTest::addColumn<QStringList>("unmarked");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QString() << QStringList()
                             << QStringLiteral("G-actin of trace 2 (plate.tsv: A2 3");
    QTest::newRow("zero") << QStringLiteral("0") << QStringList() << QStringLiteral("2");
    QTest::newRow("no rate") << QStringLiteral("3")
                             << QStringList{"chbSeriesKnuc", "chbSeriesKon", "chbSeriesKoff"}
                             << QStringLiteral("rate");
  }
  void refusalsNameTheTraceOrTheRate() {
    QFETCH(QString, gActin);
    QFETCH(QStringList, unmarked);
    QFETCH(QString, message);
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    Traces(series).item(1, kColGActin)->setText(gActin);
    for (const QString& name : unmarked) {
      Control<QCheckBox>(series, name.toLatin1().constData())->setChecked(false);
    }
    Click(Control<QPushButton>(series, "btSeriesFit"));
    QCOMPARE(boxes_->texts.size(), 1);
    QVERIFY2(boxes_->texts[0].contains(message), qPrintable(boxes_->texts[0]));
    QVERIFY(!series.LastFit().has_value());
    QVERIFY(!series.Running());
    // Without a fit there is nothing to save or draw.
    QVERIFY(!Control<QPushButton>(series, "btSaveSeries")->isEnabled());
    QVERIFY(!Control<QPushButton>(series, "btExportSeriesFigure")->isEnabled());
  }

  // Remove takes the selected traces and their data with them.
  void removeTakesTheSelectedTraces() {
    TfmSeries& series = OpenSeries();
    series.AddFile(plate_);
    Traces(series).selectRow(1);
    Click(Control<QPushButton>(series, "btRemove"));
    QCOMPARE(Traces(series).rowCount(), 3);
    QCOMPARE(Cell(series, 1, kColGActin), QStringLiteral("6"));
  }
};

}  // namespace actinfit::test

QTEST_MAIN(actinfit::test::SeriesWindowTest)
#include "series_window_test.moc"
