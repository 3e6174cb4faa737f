// Under a locale whose decimal mark is ',' every default still converts and the charts use it.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <nlohmann/json.hpp>

#include "app/charts/chart_view.h"
#include "core/analysis.h"
#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class CommaLocaleTest : public QObject {
  Q_OBJECT

 private slots:
  // An analysis saved where the decimal mark is '.' opens here exactly: every number as it was
  // saved, every field, label and pane with this window's mark; saved here and opened again, it
  // gives the same bytes.
  void analysisSavedWithPointsOpensExactly() {
    ErrorBoxes boxes;
    QFile fixture(QStringLiteral(ACTINFIT_ANALYSIS_FIXTURE));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    const QByteArray original = fixture.readAll();
    const TAnalysis saved = ParseAnalysis(original.toStdString());
    QCOMPARE(saved.DecimalMark, '.');
    auto window = StartedWindow();
    window->OpenAnalysis(fixture.fileName());
    QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join('\n')));
    const TModel& m = window->model();
    QVERIFY(m.Time == saved.Record.Time && m.Data == saved.Record.Data);
    QVERIFY(m.Param == saved.Record.Param && m.Min == saved.Record.Min &&
            m.Fit == saved.Record.Fit);
    QVERIFY(m.Fitted == saved.Record.Fitted && m.Init == saved.Record.Init && m.Dt == 0.5);
    QCOMPARE(Control<QLineEdit>(*window, "edTStep")->text(), QStringLiteral("0,5"));
    QCOMPARE(window->DataSource(), QStringLiteral("trace.tsv: reading"));
    QVERIFY(window->FitReportText().contains(QStringLiteral("Kon")));

    QTemporaryDir folder;
    const QString here = folder.filePath(QStringLiteral("here.actinfit"));
    window->SaveAnalysis(here);
    QFile hereFile(here);
    QVERIFY(hereFile.open(QIODevice::ReadOnly));
    const QByteArray hereBytes = hereFile.readAll();
    const auto before = nlohmann::ordered_json::parse(original.toStdString());
    const auto after = nlohmann::ordered_json::parse(hereBytes.toStdString());
    QCOMPARE(after["decimalMark"].get<std::string>(), std::string(","));
    // The numbers are written as numbers, whatever the mark: every section of them the same.
    for (const char* section : {"data", "record", "results", "errorChart", "refinement", "report",
                                "refined", "readouts"}) {
      QVERIFY2(before[section] == after[section], section);
    }
    QVERIFY(before["series"]["traces"][0]["readouts"] == after["series"]["traces"][0]["readouts"]);
    // The texts as typed, with this window's mark.
    for (const char* section : {"fields", "labels", "panes"}) {
      for (const auto& [name, text] : before[section].items()) {
        QString expected = QString::fromStdString(text.get<std::string>());
        expected.replace(u'.', u',');
        QCOMPARE(QString::fromStdString(after[section][name].get<std::string>()), expected);
      }
    }

    auto again = StartedWindow();
    again->OpenAnalysis(here);
    const QString there = folder.filePath(QStringLiteral("there.actinfit"));
    again->SaveAnalysis(there);
    QFile thereFile(there);
    QVERIFY(thereFile.open(QIODevice::ReadOnly));
    QCOMPARE(thereFile.readAll(), hereBytes);
    QVERIFY(boxes.texts.isEmpty());
  }

  void startsWithTheLocalesDecimalMark() {
    ErrorBoxes boxes;
    auto window = StartedWindow();
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(DecimalSeparator(), ',');
    QCOMPARE(window->ProbedSeparator(), ',');
    QCOMPARE(Control<QLineEdit>(*window, "edTStep")->text(), QStringLiteral("0,1"));
    QCOMPARE(window->model().Dt, 0.1);
    QCOMPARE(Control<QLabel>(*window, "lbNData")->text(), QStringLiteral("1201"));
    QCOMPARE(window->model().Data[101], 50.015);
    // The cleaning rewrote the decimal marks of the readings.
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window, "mData"))[101], QStringLiteral("50,015"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window, "mModel"))[0], QStringLiteral("10,00000"));
    QVERIFY(Control<QLabel>(*window, "lbSSE")->text().contains(u','));
    // The charts label their axes with the same mark, and without group separators.
    for (const char* name : {"Chart1", "Chart2"}) {
      const QChart* chart = Control<ChartView>(*window, name)->chart();
      QVERIFY(chart->localizeNumbers());
      QCOMPARE(chart->locale().toString(1200.5, 'g', 6), QStringLiteral("1200,5"));
    }

    // A '.' typed into a field is no number under this locale.
    SetText(*window, "edKon", QStringLiteral("8.5"));
    Click(Control<QToolButton>(*window, "btApply"));
    QCOMPARE(boxes.texts,
             QStringList{QStringLiteral("'8.5' is not a valid floating point value.")});
  }

  // Files come in and go out with the window's decimal mark, whatever mark the file used.
  void dataFilesUseTheWindowsDecimalMark() {
    ErrorBoxes boxes;
    auto window = StartedWindow();
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("points.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,reading\n0,50\n150.5,83.768\n300,440.52\n");
    file.close();

    window->OpenDataFile(csv);
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window, "mTime")), (QStringList{"0", "150,5", "300"}));
    QCOMPARE(window->model().Data[1], 83.768);

    const QString curve = folder.filePath(QStringLiteral("curve.tsv"));
    window->SaveCurve(curve);
    QFile saved(curve);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("\n150,5\t83,768\t"));
    window->OpenDataFile(curve, 1);
    QCOMPARE(window->model().Time, (std::vector<double>{0, 150.5, 300}));
    QVERIFY(boxes.texts.isEmpty());
  }

  // Times from 0 to 1 s are labelled every 0,2 s, with the comma, in the exported chart as on
  // screen.
  void chartAxisValuesUseTheWindowsDecimalMark() {
    ErrorBoxes boxes;
    auto window = StartedWindow();
    SetText(*window, "mTime", QStringLiteral("0\n0,5\n1"));
    SetText(*window, "mData", QStringLiteral("10\n12\n15"));
    SetText(*window, "edTShift", QStringLiteral("0"));
    Click(Control<QToolButton>(*window, "btApply"));
    QVERIFY(boxes.texts.isEmpty());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("chart.svg"));
    window->ExportChart(1, path);
    QFile svg(path);
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    for (const char* tick : {">0,2</text>", ">0,4</text>", ">0,6</text>", ">0,8</text>"}) {
      QVERIFY2(text.contains(tick), tick);
    }
    QVERIFY(!text.contains(">0.2</text>"));

    // So does the figure for a paper.
    const QString figure = folder.filePath(QStringLiteral("figure.svg"));
    window->ExportFigure(figure);
    QFile figureFile(figure);
    QVERIFY(figureFile.open(QIODevice::ReadOnly));
    const QByteArray figureText = figureFile.readAll();
    for (const char* tick : {">0,2</text>", ">0,4</text>", ">1,0</text>"}) {
      QVERIFY2(figureText.contains(tick), tick);
    }
    QVERIFY(!figureText.contains(">0.2</text>"));
    QVERIFY(boxes.texts.isEmpty());
  }
};

QTEST_MAIN(CommaLocaleTest)
#include "comma_locale_test.moc"
