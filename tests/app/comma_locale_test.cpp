// Under a locale whose decimal mark is ',' every default still converts and the charts use it.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "app/charts/chart_view.h"
#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class CommaLocaleTest : public QObject {
  Q_OBJECT

 private slots:
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
};

QTEST_MAIN(CommaLocaleTest)
#include "comma_locale_test.moc"
