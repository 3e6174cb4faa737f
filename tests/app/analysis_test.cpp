// File > Save analysis... and Open analysis... on the real window: everything the window shows
// comes back in a fresh window, the report's text included, and saves again to the same bytes;
// every bad file and a save that cannot be made leave the window and the older file as they were;
// results saved as text keep the source of each line.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/dialogs/fit_report_dialog.h"
#include "app/series/series_window.h"
#include "core/errors.h"
#include "series_file.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Everything a user sees in the window's controls, by name.
QStringList ControlTexts(QWidget& window) {
  QStringList texts;
  for (const QLineEdit* edit : window.findChildren<QLineEdit*>()) {
    texts << edit->objectName() + '=' + edit->text();
  }
  for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
    texts << box->objectName() + '=' + (box->isChecked() ? "1" : "0");
  }
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    texts << label->objectName() + '=' + label->text();
  }
  for (const QPlainTextEdit* pane : window.findChildren<QPlainTextEdit*>()) {
    texts << pane->objectName() + '=' + pane->toPlainText();
  }
  return texts;
}

QList<QList<QPointF>> ChartPoints(QWidget& window) {
  QList<QList<QPointF>> points;
  for (const char* series : {"serData", "serModel", "serError", "Series1"}) {
    points << SeriesPoints(window, "Chart1", series);
  }
  points << SeriesPoints(window, "Chart2", "serSSE");
  return points;
}

// A file dropped on the window, as a file manager drops it; it opens once the drop is over.
void Drop(QWidget& window, const QString& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  const QPoint at(600, 200);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
}

}  // namespace

class AnalysisTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override { folder_ = std::make_unique<QTemporaryDir>(); }

  QString Path(const char* name) const { return folder_->filePath(QString::fromLatin1(name)); }

  // Two result lines of different data: a short fit of a pasted trace at 4 uM, then the
  // profile (a refinement first) of a trace read from a file at 6 uM; fields and marks changed.
  void FillEveryPart() {
    QApplication::clipboard()->setText(
        QStringLiteral("0\t50\n100\t50\n200\t300\n400\t900\n800\t1200\n1200\t1300\n"));
    window_->PasteColumns();
    SetText(*window_, "edAG", QStringLiteral("4"));
    SetText(*window_, "edTStep", QStringLiteral("0.5"));  // a coarse step keeps the test quick
    SetText(*window_, "edNItr", QStringLiteral("5"));
    Click(Control<QAbstractButton>(*window_, "btFit"));
    const QString pasted = Control<QPlainTextEdit>(*window_, "mTime")->toPlainText();

    window_->OpenDataFile(Path("trace.tsv"), 1);
    SetText(*window_, "edAG", QStringLiteral("6"));
    SetText(*window_, "edP1Min", QStringLiteral("2E-9"));
    Control<QCheckBox>(*window_, "CheckBox3")->setChecked(false);
    Control<QAction>(*window_, "acProfile")->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 2);
    QVERIFY(pasted != Control<QPlainTextEdit>(*window_, "mTime")->toPlainText());
    SetText(*window_, "mSens", QStringLiteral("a sensitivity table\t1.5"));
    SetText(*window_, "edNSeries", QStringLiteral("7"));  // typed, not applied
  }

  // A rising trace of 61 readings every 20 s, a few units of noise on it, as a two-column file.
  void WriteTraceFile() {
    QByteArray text = "time [s]\treading\n";
    for (int i = 0; i <= 60; ++i) {
      const double t = 20.0 * i;
      const double rise = t <= 100 ? 0 : 1 - std::exp(-std::pow((t - 100) / 330, 1.6));
      const double noise = 3.0 * ((i * 7) % 5 - 2) / 2;
      text += QByteArray::number(t) + '\t' + QByteArray::number(50 + 1260 * rise + noise, 'g', 17) +
              '\n';
    }
    WriteAll(Path("trace.tsv"), text);
  }

  std::unique_ptr<QTemporaryDir> folder_;

 private slots:
  void sitsInTheFileMenu() {
    QCOMPARE(Control<QAction>(*window_, "acOpenAnalysis")->text(),
             QStringLiteral("Open analysis..."));
    QCOMPARE(Control<QAction>(*window_, "acSaveAnalysis")->text(),
             QStringLiteral("Save analysis..."));
    QCOMPARE(window_->FitReportText(), QString());  // no refinement yet
  }

  // Saved from one window, dropped on a fresh one: every field, mark, label, pane, chart, the
  // record, the report's text; the profile goes on from the refined result without refining
  // again; saved again, the same bytes.
  void opensInAFreshWindowExactlyAsSaved() {
    WriteTraceFile();
    FillEveryPart();
    const QString first = Path("first.actinfit");
    window_->SaveAnalysis(first);
    delete window_->findChild<TFitReportDialog*>();  // the profile's report, a child window
    QVERIFY(window_->windowTitle().startsWith(QStringLiteral("first.actinfit - ")));

    const std::unique_ptr<TfmMain> fresh = StartedWindow();
    Drop(*fresh, first);
    QTRY_VERIFY(fresh->windowTitle().startsWith(QStringLiteral("first.actinfit")));
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QCOMPARE(fresh->windowTitle(), window_->windowTitle());
    QCOMPARE(ControlTexts(*fresh), ControlTexts(*window_));
    QCOMPARE(ChartPoints(*fresh), ChartPoints(*window_));
    QCOMPARE(fresh->DataSource(), QStringLiteral("trace.tsv: reading"));
    QVERIFY(fresh->DataSourceParts() == (TSourceParts{"trace.tsv", "", "reading"}));
    const TModel& saved = window_->model();
    const TModel& opened = fresh->model();
    QVERIFY(opened.Time == saved.Time && opened.Data == saved.Data);
    QVERIFY(opened.Param == saved.Param && opened.Min == saved.Min && opened.Fit == saved.Fit);
    QVERIFY(opened.Fitted == saved.Fitted && opened.Init == saved.Init && opened.Dt == saved.Dt);
    QVERIFY(!window_->FitReportText().isEmpty());
    QCOMPARE(fresh->FitReportText(), window_->FitReportText());
    QVERIFY(Control<QAction>(*fresh, "acFitReport")->isEnabled());
    fresh->ShowFitReport();
    TFitReportDialog* report = fresh->findChild<TFitReportDialog*>();
    QCOMPARE(report->Text(), window_->FitReportText());
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      const QString folder = QString::fromLocal8Bit(shots);
      fresh->grab().save(folder + QStringLiteral("/analysis_opened.png"));
      report->grab().save(folder + QStringLiteral("/analysis_report.png"));
      Control<QTabWidget>(*fresh, "PageControl1")->setCurrentIndex(3);
      fresh->grab().save(folder + QStringLiteral("/analysis_results.png"));
      Control<QTabWidget>(*fresh, "PageControl1")->setCurrentIndex(0);
    }

    const QString second = Path("second.actinfit");
    fresh->SaveAnalysis(second);
    QCOMPARE(ReadAll(second), ReadAll(first));

    // Each results line says where it came from; the pane itself is as it was.
    fresh->SaveResults(Path("results.tsv"));
    QList<QByteArray> lines = ReadAll(Path("results.tsv")).split('\n');
    // The trace's readouts stand as comment lines above the header row.
    lines.erase(
        std::remove_if(lines.begin(), lines.end(),
                       [](const QByteArray& line) { return line.startsWith("# readout "); }),
        lines.end());
    QVERIFY(lines[3].endsWith("\tdata\tG-actin [uM]"));
    QVERIFY2(lines[4].endsWith("\tpasted\t4"), lines[4].constData());
    QVERIFY2(lines[5].endsWith("\ttrace.tsv: reading\t6"), lines[5].constData());

    // The opened refinement is one a profile starts from: stopped at its first report, it has
    // not refined again (a refinement, even stopped, logs a line).
    QAction* profile = Control<QAction>(*fresh, "acProfile");
    WhenEventsRun([profile] { profile->trigger(); });
    profile->trigger();
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*fresh, "mResults")).size(), 2);
  }

  // The series window's traces, fields and last fit come back in a fresh window, its report and
  // table as they were, and the file saves again to the same bytes; an analysis without a series
  // empties the series window.
  void seriesWindowOpensAsSaved() {
    const QString plate = Path("plate.tsv");
    WriteSeriesFile(plate.toStdString(), kConcentrationHeaders);
    window_->FitSeriesClick();
    TfmSeries& series = *Control<TfmSeries>(*window_, "fmSeries");
    series.AddFile(plate);
    SetText(series, "edSeriesTStep", QStringLiteral("0.5"));
    Control<QCheckBox>(series, "chbSeriesKoff")->setChecked(false);
    series.Fit();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    const QString path = Path("series.actinfit");
    window_->SaveAnalysis(path);

    const std::unique_ptr<TfmMain> fresh = StartedWindow();
    fresh->OpenAnalysis(path);
    TfmSeries& opened = *Control<TfmSeries>(*fresh, "fmSeries");
    QCOMPARE(ControlTexts(opened), ControlTexts(series));
    QTableWidget& saved = *Control<QTableWidget>(series, "tbTraces");
    QTableWidget& table = *Control<QTableWidget>(opened, "tbTraces");
    QCOMPARE(table.rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
      for (int column = 0; column < table.columnCount(); ++column) {
        QCOMPARE(table.item(row, column)->text(), saved.item(row, column)->text());
      }
    }
    QCOMPARE(opened.ReportText(), series.ReportText());
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      opened.show();
      opened.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/analysis_series.png"));
    }
    QVERIFY(opened.LastFit() && opened.LastFit()->Rate == series.LastFit()->Rate);
    QVERIFY(Control<QPushButton>(opened, "btSaveSeries")->isEnabled());
    fresh->SaveAnalysis(Path("again.actinfit"));
    QCOMPARE(ReadAll(Path("again.actinfit")), ReadAll(path));

    const std::unique_ptr<TfmMain> bare = StartedWindow();
    bare->SaveAnalysis(Path("bare.actinfit"));
    fresh->OpenAnalysis(Path("bare.actinfit"));
    QCOMPARE(table.rowCount(), 0);
    QVERIFY(!opened.LastFit());
    QVERIFY(!Control<QPushButton>(opened, "btSaveSeries")->isEnabled());
  }

  // A file it cannot take is refused naming the file and the fault, and nothing of the window
  // changes: what it would save is byte for byte what it saved before.
  void refusalsLeaveTheWindowAsItWas_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    QTest::newRow("cut short") << QByteArray("{\"format\": \"actinfit analysis\", \"vers")
                               << "cut short";
    QTest::newRow("foreign") << QByteArray("time\treading\n0\t1\n") << "not valid JSON";
    QTest::newRow("other JSON") << QByteArray("{\"name\": \"x\"}") << "not an actinfit analysis";
    QTest::newRow("later") << QByteArray("{\"format\": \"actinfit analysis\", \"version\": 9}")
                           << "later actinfit (format version 9)";
    QTest::newRow("damaged") << QByteArray("{\"format\": \"actinfit analysis\", \"version\": 1}")
                             << "It is damaged: the file.decimalMark is missing";
    QTest::newRow("missing file") << QByteArray() << "";
  }
  void refusalsLeaveTheWindowAsItWas() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    SetText(*window_, "edKon", QStringLiteral("9"));
    Click(Control<QAbstractButton>(*window_, "btApply"));
    window_->SaveAnalysis(Path("before.actinfit"));
    const QByteArray before = ReadAll(Path("before.actinfit"));
    const QString title = window_->windowTitle();

    const QString bad = Path("bad.actinfit");
    if (!says.isEmpty()) WriteAll(bad, bytes);
    try {
      window_->OpenAnalysis(bad);
      QFAIL("the file was taken");
    } catch (const Error& error) {
      const QString message = QString::fromStdString(error.what());
      QVERIFY2(message.contains(bad) && message.contains(says), qPrintable(message));
    }
    QCOMPARE(window_->windowTitle(), title);
    window_->SaveAnalysis(Path("before.actinfit"));
    QCOMPARE(ReadAll(Path("before.actinfit")), before);
  }

  // Opening while a refinement runs (a drop, say) is refused; the refinement ends as it would.
  void openDuringALongOperationIsRefused() {
    WriteTraceFile();
    window_->OpenDataFile(Path("trace.tsv"), 1);
    window_->SaveAnalysis(Path("start.actinfit"));
    QString refused;
    WhenEventsRun([&] {
      try {
        window_->OpenAnalysis(Path("start.actinfit"));
      } catch (const Error& error) {
        refused = QString::fromStdString(error.what());
      }
    });
    Control<QAction>(*window_, "acRefine")->trigger();
    QVERIFY2(refused.contains(QStringLiteral("running operation")), qPrintable(refused));
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
    QVERIFY(!window_->FitReportText().isEmpty());
  }

  // A save into a folder that does not exist says so; the title does not name the file, and
  // an earlier analysis elsewhere is untouched.
  void saveIntoAMissingFolderFails() {
    const QString earlier = Path("earlier.actinfit");
    window_->SaveAnalysis(earlier);
    const QByteArray bytes = ReadAll(earlier);
    const QString title = window_->windowTitle();
    const QString missing = Path("no such folder/a.actinfit");
    try {
      window_->SaveAnalysis(missing);
      QFAIL("the save was reported as done");
    } catch (const Error& error) {
      QVERIFY2(QString::fromStdString(error.what()).contains(missing), error.what());
    }
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(window_->windowTitle(), title);
    QCOMPARE(ReadAll(earlier), bytes);
  }

  // The readouts come from the file, not read again from the points: a t½ and a Cc written into
  // it are what the saved results then say. A file from before the readouts opens, and its
  // trace's readouts are read from its points.
  void readoutsComeFromTheFile() {
    WriteTraceFile();
    window_->OpenDataFile(Path("trace.tsv"), 1);
    const QString path = Path("readouts.actinfit");
    window_->SaveAnalysis(path);
    const auto readoutLines = [this](TfmMain& window) {
      window.SaveResults(Path("results.tsv"));
      QStringList lines = QString::fromUtf8(ReadAll(Path("results.tsv"))).split('\n');
      return lines.filter(QStringLiteral("# readout "));
    };
    const QStringList computed = readoutLines(*window_);
    QVERIFY(computed.filter(QString::fromUtf8("# readout t½ (s)\t")).size() == 1);

    QString text = QString::fromUtf8(ReadAll(path));
    const qsizetype at = text.indexOf(QStringLiteral("\"readouts\""));
    QVERIFY(at > 0);
    const QRegularExpression tHalf(QStringLiteral("\"tHalf\": [^,\n]+"));
    const QRegularExpression cc(QStringLiteral("\"cc\": [^,\n]+"));
    QString marked = text;
    const QRegularExpressionMatch half = tHalf.match(marked, at);
    QVERIFY(half.hasMatch());
    marked.replace(half.capturedStart(), half.capturedLength(),
                   QStringLiteral("\"tHalf\": 123.25"));
    const QRegularExpressionMatch constant = cc.match(marked, at);
    QVERIFY(constant.hasMatch());
    marked.replace(constant.capturedStart(), constant.capturedLength(),
                   QStringLiteral("\"cc\": 0.5"));
    WriteAll(Path("marked.actinfit"), marked.toUtf8());
    const std::unique_ptr<TfmMain> opened = StartedWindow();
    opened->OpenAnalysis(Path("marked.actinfit"));
    const QStringList kept = readoutLines(*opened);
    QVERIFY2(kept.filter(QString::fromUtf8("# readout t½ (s)\t123.25\t")).size() == 1,
             qPrintable(kept.join('\n')));
    QVERIFY(kept.contains(QString::fromUtf8("# readout Cc (µM)\t0.5")));

    // Without the section, as written before there were readouts in the file.
    QJsonObject root = QJsonDocument::fromJson(text.toUtf8()).object();
    root.remove(QStringLiteral("readouts"));
    WriteAll(Path("older.actinfit"), QJsonDocument(root).toJson());
    const std::unique_ptr<TfmMain> older = StartedWindow();
    older->OpenAnalysis(Path("older.actinfit"));
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(readoutLines(*older), computed);
  }
};

QTEST_MAIN(AnalysisTest)
#include "analysis_test.moc"
