// The batch program's series against the window's own: the same data, fields and counts, run
// from program start in both, give the same result lines. The window runs in this process, so
// its random generator is fresh; the batch program is started as a separate process.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/series/series_table.h"
#include "app/series/series_window.h"
#include "core/defaults.h"
#include "core/numtext.h"
#include "series_file.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class WindowSeriesTest : public WindowTest {
  Q_OBJECT

 private slots:
  // Koff is fixed at a value with more digits than its field shows after an estimation: the
  // window's fits then start from the rounded value, and so must the batch program's.
  void seriesLinesEqualTheWindowsResultLines() {
    SetText(*window_, "edKoff", QStringLiteral("1.23456789"));
    Control<QCheckBox>(*window_, "chbKoff")->setChecked(false);
    SetText(*window_, "edNItr", QStringLiteral("25"));
    SetText(*window_, "edNSeries", QStringLiteral("3"));

    // The default data set as the start-up Apply left it in the panes, as a two-column file.
    const QStringList times = Lines(Control<QPlainTextEdit>(*window_, "mTime"));
    const QStringList readings = Lines(Control<QPlainTextEdit>(*window_, "mData"));
    QCOMPARE(times.size(), 1201);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString file = scratch.filePath(QStringLiteral("default.txt"));
    {
      QFile out(file);
      QVERIFY(out.open(QIODevice::WriteOnly));
      for (qsizetype i = 0; i < times.size(); ++i) {
        out.write((times[i] + u'\t' + readings[i] + u'\n').toUtf8());
      }
    }

    Click(Control<QToolButton>(*window_, "btSeries"));
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join(u'\n')));
    const QStringList windowLines = Lines(Control<QPlainTextEdit>(*window_, "mResults"));
    QCOMPARE(windowLines.size(), 3);

    QProcess batch;
    batch.start(QStringLiteral(ACTINFIT_BATCH_PROGRAM),
                {"--method", "series", "--runs", "3", "--draws", "25", "--iterations", "25",
                 "--param", "Koff=1.23456789:0:20:fixed", "-j", "1", file});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);
    QStringList batchLines = QString::fromUtf8(batch.readAllStandardOutput()).split(u'\n');
    batchLines.removeAll(QString());
    QCOMPARE(batchLines.size(), 1 + 3);
    for (qsizetype run = 0; run < 3; ++run) {
      // trace, run, the numbers of the window's line to the last digit, an empty message
      QStringList fields = batchLines[run + 1].split(u'\t');
      QCOMPARE(fields.takeFirst(), file + QStringLiteral(":2"));
      QCOMPARE(fields.takeFirst(), QString::number(run + 1));
      QCOMPARE(fields.takeLast(), QString());
      QStringList inWindowStyle;
      for (qsizetype k = 0; k < fields.size(); ++k) {
        const double value = ParseReal(fields[k].toStdString());
        inWindowStyle << QString::fromStdString(
            k == 0 ? FormatReal(value, FloatStyle::Fixed, 5, 5)
                   : FormatReal(value, FloatStyle::Exponent, 5, 2));
      }
      QCOMPARE(inWindowStyle.join(u'\t'), windowLines[run]);
    }
  }

  // A file added to the series window and the same file fitted by --method global start every
  // trace at the same time shift, the one default of both.
  void seriesWindowAndGlobalStartAtTheSameShift() {
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString file = scratch.filePath(QStringLiteral("plate.tsv"));
    WriteSeriesFile(file.toStdString(), kConcentrationHeaders);
    window_->menus().fit.acFitSeries->trigger();
    TfmSeries& series = *Control<TfmSeries>(*window_, "fmSeries");
    series.AddFile(file);
    const QTableWidget& traces = *Control<QTableWidget>(series, "tbTraces");
    QCOMPARE(traces.rowCount(), 4);

    QProcess batch;
    batch.start(QStringLiteral(ACTINFIT_BATCH_PROGRAM),
                {"--method", "global", "--json", "-j", "1", file});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);
    const QJsonArray fitted = QJsonDocument::fromJson(batch.readAllStandardOutput())
                                  .array()[0]
                                  .toObject()[QStringLiteral("traces")]
                                  .toArray();
    QCOMPARE(fitted.size(), 4);
    for (int row = 0; row < 4; ++row) {
      const double inWindow = ParseReal(traces.item(row, kColTShift)->text().toStdString());
      QCOMPARE(inWindow, kDefaultSeriesTShift);
      QCOMPARE(fitted[row].toObject()[QStringLiteral("tshift")].toDouble(),
               inWindow);  // not refined without --fit-tshift
    }
  }
};

QTEST_MAIN(WindowSeriesTest)
#include "window_series_test.moc"
