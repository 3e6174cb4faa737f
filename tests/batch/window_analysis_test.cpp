// --save-analysis: a trace refined by the batch program opens in the window as if refined there.
// The window refines the same file itself and must log the very same result line; the opened
// analysis agrees with its own panes (Apply changes nothing), and a profile goes on from the
// batch program's result without refining again. A series fitted by the batch program opens in
// the series window.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "app/series/series_window.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class WindowAnalysisTest : public WindowTest {
  Q_OBJECT

  // Two rising traces, 61 readings every 20 s with a few units of noise, at 6 and 4 uM.
  static QString WritePlate(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("plate.tsv"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return {};
    out.write("time [s]\tA1 6uM\tA2 4uM\n");
    for (int i = 0; i <= 60; ++i) {
      const double t = 20.0 * i;
      const double rise = t <= 100 ? 0 : 1 - std::exp(-std::pow((t - 100) / 330, 1.6));
      out.write(QByteArray::number(t) + '\t' +
                QByteArray::number(50 + 1260 * rise + 1.5 * ((i * 7) % 5 - 2), 'f', 4) + '\t' +
                QByteArray::number(40 + 900 * rise + ((i * 3) % 5 - 2), 'f', 4) + '\n');
    }
    return path;
  }

 private slots:
  void refinedTraceOpensAsIfRefinedInTheWindow() {
    QTemporaryDir folder;
    const QString plate = WritePlate(folder);
    const QString analyses = folder.filePath(QStringLiteral("analyses"));  // made by the program
    QProcess batch;
    batch.start(QStringLiteral(ACTINFIT_BATCH_PROGRAM),
                {"--method", "refine", "--dt", "0.5", "--save-analysis", analyses, plate});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);
    QCOMPARE(QDir(analyses).entryList(QDir::Files),
             (QStringList{"plate_A1_6uM.actinfit", "plate_A2_4uM.actinfit"}));

    // The window refines the second trace itself.
    SetText(*window_, "edTStep", QStringLiteral("0.5"));
    SetText(*window_, "edAG", QStringLiteral("4"));  // the batch program reads it from the header
    window_->OpenDataFile(plate, 2);
    Control<QAction>(*window_, "acRefine")->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));

    const std::unique_ptr<TfmMain> opened = StartedWindow();
    opened->OpenAnalysis(QDir(analyses).filePath(QStringLiteral("plate_A2_4uM.actinfit")));
    QCOMPARE(opened->windowTitle(),
             QStringLiteral("plate_A2_4uM.actinfit - ") + window_->windowTitle());
    QCOMPARE(opened->DataSource(), window_->DataSource());
    const QStringList lines = Lines(Control<QPlainTextEdit>(*opened, "mResults"));
    QCOMPARE(lines, Lines(Control<QPlainTextEdit>(*window_, "mResults")));
    QCOMPARE(opened->model().Param, window_->model().Param);
    QVERIFY(!opened->FitReportText().isEmpty());
    QCOMPARE(opened->FitReportText(), window_->FitReportText());
    QCOMPARE(Control<QLabel>(*opened, "lbSSE")->text(), Control<QLabel>(*window_, "lbSSE")->text());

    // Its fields and panes hold the record exactly: Apply gives the same error.
    Click(Control<QToolButton>(*opened, "btApply"));
    QCOMPARE(Control<QLabel>(*opened, "lbSSE")->text(), Control<QLabel>(*window_, "lbSSE")->text());
    QCOMPARE(opened->model().Param, window_->model().Param);

    // A profile starts from the batch program's result: stopped at once, it logged no line.
    QAction* profile = Control<QAction>(*opened, "acProfile");
    WhenEventsRun([profile] { profile->trigger(); });
    profile->trigger();
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*opened, "mResults")), lines);
  }

  // A dilution series fitted by the batch program is one analysis, which opens in the series
  // window as the window's own fit of the same file: the same rates, table and report (less
  // what only fitting each trace alone tells); saved from the window and opened again it gives
  // the same bytes.
  void seriesOpensInTheSeriesWindow() {
    QTemporaryDir folder;
    const QString plate = WritePlate(folder);
    const QString analyses = folder.filePath(QStringLiteral("series"));
    QProcess batch;
    batch.start(QStringLiteral(ACTINFIT_BATCH_PROGRAM),
                {"--method", "global", "--dt", "0.5", "--save-analysis", analyses, plate});
    QVERIFY(batch.waitForFinished(120000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    QCOMPARE(QDir(analyses).entryList(QDir::Files), QStringList{"plate.actinfit"});

    // The window fits the same file in its series window.
    SetText(*window_, "edTStep", QStringLiteral("0.5"));
    window_->menus().fit.acFitSeries->trigger();
    auto* own = window_->findChild<TfmSeries*>();
    own->AddFile(plate);
    own->Fit();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));

    const std::unique_ptr<TfmMain> opened = StartedWindow();
    const QString file = QDir(analyses).filePath(QStringLiteral("plate.actinfit"));
    opened->OpenAnalysis(file);
    auto* series = opened->findChild<TfmSeries*>();
    QVERIFY(series != nullptr);
    QVERIFY(series->LastFit().has_value());
    QCOMPARE(series->LastFit()->Rate, own->LastFit()->Rate);
    QCOMPARE(series->LastFit()->Error, own->LastFit()->Error);
    const TSavedSeries mine = own->Saved(), theirs = series->Saved();
    QCOMPARE(theirs.Traces.size(), mine.Traces.size());
    for (size_t i = 0; i < mine.Traces.size(); ++i) {
      QCOMPARE(theirs.Traces[i].Source, mine.Traces[i].Source);
      QCOMPARE(theirs.Traces[i].Cells, mine.Traces[i].Cells);
      QCOMPARE(theirs.Traces[i].Data, mine.Traces[i].Data);
    }
    QCOMPARE(theirs.Fields, mine.Fields);
    QCOMPARE(theirs.Marks, mine.Marks);
    QCOMPARE(theirs.Progress, mine.Progress);
    QCOMPARE(theirs.Curves, mine.Curves);
    const auto withoutAlone = [](const std::string& report) {
      QStringList lines = QString::fromStdString(report).split('\n');
      lines.removeIf([](const QString& line) { return line.contains("which no trace alone did"); });
      return lines;
    };
    QCOMPARE(withoutAlone(theirs.Report), withoutAlone(mine.Report));

    // Saved from the window and opened again: the same bytes.
    const QString again = folder.filePath(QStringLiteral("again.actinfit"));
    const QString third = folder.filePath(QStringLiteral("third.actinfit"));
    opened->SaveAnalysis(again);
    const std::unique_ptr<TfmMain> reopened = StartedWindow();
    reopened->OpenAnalysis(again);
    reopened->SaveAnalysis(third);
    QFile a(again), b(third);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());
  }
};

QTEST_MAIN(WindowAnalysisTest)
#include "window_analysis_test.moc"
