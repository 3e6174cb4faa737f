// Results leaving the real window: saved tables, the curve file and its round trip, a save that
// fails, and the charts as pictures.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLogValueAxis>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <QXmlStreamReader>
#include <algorithm>
#include <csignal>

#include "app/charts/chart_view.h"
#include "core/errors.h"
#include "core/files/datafile.h"
#include "core/version.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Files may grow to `bytes` at most while it lives: a write beyond fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the program
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

}  // namespace

class DataOutTest : public WindowTest {
  Q_OBJECT

 private slots:
  // Saved, then opened again, the curve file gives back the very points of the record.
  void savedCurveOpensToTheSamePoints() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("curve.tsv"));
    SetText(*window_, "mTime", QStringLiteral("0\n0.1\n150\n149\n300.25\n1e3"));
    SetText(*window_, "mData", QStringLiteral("50\n50.015\n83.768\n80\n440.52\n1272.4"));
    Click(Control<QAbstractButton>(*window_, "btApply"));
    const TModel before = window_->model();
    const QString error = Control<QLabel>(*window_, "lbSSE")->text();

    window_->SaveCurve(path);
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    QCOMPARE(lines[0],
             "# actinfit " + QByteArray(kVersion.data()) + ": the model curve at these values");
    QVERIFY(lines.contains("# Knuc [uM-2s-1]\t1e-08\t1e-11\t1e-06\tyes"));
    QVERIFY(lines.contains("# G-actin [uM]\t6"));
    QVERIFY(lines.contains("# dt [s]\t0.1"));
    QVERIFY(lines.contains("# points\t6"));
    QCOMPARE(lines[11], QByteArray("time [s]\treading\tmodel\tresidual"));
    // The held time (149 after 150) is what the record holds, and what comes back.
    QCOMPARE(lines[15].split('\t')[0], QByteArray("150"));

    SetText(*window_, "mTime", QString());
    SetText(*window_, "mData", QString());
    window_->OpenDataFile(path, 1);

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(window_->model().Time, before.Time);
    QCOMPARE(window_->model().Data, before.Data);
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), error);
  }

  void savedTablesHoldTheirPanes() {
    QTemporaryDir folder;
    SetText(*window_, "mResults",
            QStringLiteral("12.34567\t1.0000E+01\t1.0000E+02\t1.0000E-08\t8.0000E+00\t1.0000E+00"));
    const QString results = folder.filePath(QStringLiteral("results.tsv"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    window_->SaveResults(results);
    QList<QByteArray> lines = ReadAll(results).split('\n');
    // The trace's readouts (one comment line each, after the date) are checked with the
    // readouts; here they are taken out so that the layout around them stays as it was.
    QVERIFY(lines.size() > 3 && lines[3].startsWith("# readout "));
    const auto readouts = std::remove_if(lines.begin(), lines.end(), [](const QByteArray& line) {
      return line.startsWith("# readout ");
    });
    QCOMPARE(std::distance(readouts, lines.end()), 11);
    lines.erase(readouts, lines.end());
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], "# actinfit " + QByteArray(kVersion.data()) +
                           ": fit results as logged, one line per coordinate fit (also each run of "
                           "a series) or least-squares refinement");
    QCOMPARE(lines[1], QByteArray("# dt [s]\t0.1"));
    QVERIFY(lines[2].startsWith("# saved\t"));
    const QDateTime saved =
        QDateTime::fromString(QString::fromLatin1(lines[2].mid(8)), Qt::ISODate);
    QVERIFY2(saved >= before && saved <= QDateTime::currentDateTime(), lines[2].constData());
    QCOMPARE(lines[3], QByteArray("Error [fluorescence^2]\tBFluo [fluorescence]\tTShift [s]\tKnuc "
                                  "[uM-2s-1]\tKon [uM-1s-1]\tKoff [s-1]\tdata\tG-actin [uM]"));
    // A line typed into the pane comes from no known data: its source cells are empty.
    QCOMPARE(
        lines[4],
        QByteArray("12.34567\t1.0000E+01\t1.0000E+02\t1.0000E-08\t8.0000E+00\t1.0000E+00\t\t"));
    QCOMPARE(lines[5], QByteArray());
    // The comment lines do not keep the data reader from reading it back.
    const TDataTable table = ReadDataFile(results.toStdString());
    QCOMPARE(table.Names[1], "BFluo [fluorescence]");
    QCOMPARE(table.Columns,
             (std::vector<std::vector<double>>{{12.34567}, {10}, {100}, {1e-8}, {8}, {1}}));

    SetText(*window_, "mSens", QStringLiteral("P2|P1\t1\t2\n3\t4,5\t6"));
    window_->SaveSensitivity(folder.filePath(QStringLiteral("grid.tsv")));
    QCOMPARE(ReadAll(folder.filePath(QStringLiteral("grid.tsv"))),
             QByteArray("P2|P1\t1\t2\n3\t4,5\t6\n"));
  }

  // A save that cannot write says so and leaves the older file as it was, with no stray file.
  void failedSaveKeepsTheOlderFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("disk full") << "curve.tsv" << true;
    QTest::newRow("no such folder") << "missing/curve.tsv" << false;
  }
  void failedSaveKeepsTheOlderFile() {
    QFETCH(QString, name);
    QFETCH(bool, diskFull);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    {
      QFile older(folder.filePath(QStringLiteral("curve.tsv")));
      QVERIFY(older.open(QIODevice::WriteOnly));
      older.write("older curve\n");
    }
    try {
      FileSizeLimit limit(diskFull ? 1000 : RLIM_INFINITY);
      window_->SaveCurve(path);
      QFAIL("no error");
    } catch (const actinfit::Error& error) {
      QVERIFY2(QString::fromStdString(error.what()).startsWith("Cannot write '" + path + "': "),
               error.what());
    }
    QCOMPARE(ReadAll(folder.filePath(QStringLiteral("curve.tsv"))), QByteArray("older curve\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"curve.tsv"});
  }

  // Each format gives a file its reader accepts; the PNG has twice the chart's pixels.
  void exportsTheChart_data() {
    QTest::addColumn<int>("chart");
    QTest::addColumn<QString>("name");
    QTest::newRow("data chart, PNG") << 1 << "chart.png";
    QTest::newRow("error chart, PNG") << 2 << "chart.PNG";
    QTest::newRow("data chart, SVG") << 1 << "chart.svg";
    QTest::newRow("error chart, SVG") << 2 << "chart.svg";
    QTest::newRow("data chart, PDF") << 1 << "chart.pdf";
  }
  void exportsTheChart() {
    QFETCH(int, chart);
    QFETCH(QString, name);
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    window_->ExportChart(chart, path);

    const QByteArray bytes = ReadAll(path);
    QVERIFY(!bytes.isEmpty());
    const QString format = QFileInfo(path).suffix().toLower();
    if (format == u"png") {
      const auto* view = Control<ChartView>(*window_, chart == 1 ? "Chart1" : "Chart2");
      QCOMPARE(QImage::fromData(bytes, "PNG").size(), view->size() * 2);
    } else if (format == u"svg") {
      QXmlStreamReader svg(bytes);
      QVERIFY(svg.readNextStartElement());
      QCOMPARE(svg.name(), QStringLiteral("svg"));
    } else {
      QVERIFY(bytes.startsWith("%PDF-"));
    }
  }

  // The error chart exported before any fit, its page never shown: both axes carry values and
  // the plot area leaves room for them, as after a fit.
  void errorChartExportedBeforeAnyFitShowsBothAxes() {
    auto* view = Control<ChartView>(*window_, "Chart2");
    QVERIFY(!view->isVisible());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("errors.png"));
    window_->ExportChart(2, path);
    const QImage image = QImage::fromData(ReadAll(path), "PNG");
    QCOMPARE(image.size(), view->size() * 2);
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      image.save(QString::fromLocal8Bit(shots) + QStringLiteral("/error_chart_before_fit.png"));
    }
    const QList<QAbstractAxis*> axes = view->chart()->axes();
    QCOMPARE(axes.size(), 2);
    for (QAbstractAxis* axis : axes) {
      QVERIFY(axis->isVisible());
      if (auto* log = qobject_cast<QLogValueAxis*>(axis)) {
        QVERIFY(log->min() > 0 && log->max() >= 9.99 * log->min());  // at least one decade
      } else {
        auto* value = qobject_cast<QValueAxis*>(axis);
        QVERIFY(value != nullptr && value->max() > value->min());
        QVERIFY(value->tickInterval() > 0 && value->tickInterval() < value->max() - value->min());
      }
    }
    // Room for the values and titles on the left and below, and a plot area that fills the rest.
    const QRectF plot = view->chart()->plotArea();
    QVERIFY2(plot.left() > 30 && plot.bottom() < view->height() - 30,
             qPrintable(QStringLiteral("plot area %1,%2 %3x%4")
                            .arg(plot.left())
                            .arg(plot.top())
                            .arg(plot.width())
                            .arg(plot.height())));
    QVERIFY(plot.width() > view->width() / 2 && plot.height() > view->height() / 2);
  }

  void exportRefusesAnUnknownPictureOrChart() {
    QTemporaryDir folder;
    QVERIFY_THROWS_EXCEPTION(actinfit::Error,
                             window_->ExportChart(1, folder.filePath(QStringLiteral("chart.bmp"))));
    QVERIFY_THROWS_EXCEPTION(actinfit::Error,
                             window_->ExportChart(3, folder.filePath(QStringLiteral("chart.png"))));
    QVERIFY(QDir(folder.path()).isEmpty());
  }
};

QTEST_MAIN(DataOutTest)
#include "data_out_test.moc"
