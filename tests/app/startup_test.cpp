// The window as it comes up: the start-up Apply on the default data set.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <cmath>

#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class StartupTest : public WindowTest {
  Q_OBJECT

 private slots:
  void loadsTheDefaultDataWithoutError() {
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("1201"));
    QCOMPARE(window_->model().Count, 1201);
    QCOMPARE(window_->model().Time[1200], 1200.0);
    QCOMPARE(window_->model().Data[1200], 1308.1);
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serData").size(), 1201);
  }

  void cleansTheTabsOutOfTheDataPanes() {
    const QStringList time = Lines(Control<QPlainTextEdit>(*window_, "mTime"));
    const QStringList data = Lines(Control<QPlainTextEdit>(*window_, "mData"));
    QCOMPARE(time.size(), 1201);
    QCOMPARE(data.size(), 1201);
    QCOMPARE(time[3], QStringLiteral("3"));
    QCOMPARE(time[1200], QStringLiteral("1200"));
    QCOMPARE(data[101], QStringLiteral("50.015"));
    QCOMPARE(data[1200], QStringLiteral("1308.1"));
    for (const QStringList& pane : {time, data}) {
      for (const QString& line : pane) QVERIFY2(!line.contains(u'\t'), qPrintable(line));
    }
  }

  // Before the time shift of 100 s the model sits on the background; its top is the largest
  // reading.
  void modelColumnStartsOnTheBackground() {
    const QStringList model = Lines(Control<QPlainTextEdit>(*window_, "mModel"));
    QCOMPARE(model.size(), 1201);
    for (int i = 0; i <= 100; ++i) QCOMPARE(model[i], QStringLiteral("10.00000"));
    QVERIFY(model[101] != QStringLiteral("10.00000"));
    QCOMPARE(model[1200], QStringLiteral("1308.10000"));
  }

  void zeroLineSpansTheLoadedTimes() {
    const QList<QPointF> zero = SeriesPoints(*window_, "Chart1", "Series1");
    QCOMPARE(zero, (QList<QPointF>{{0, 0}, {1200, 0}}));
  }

  // The error label is the mean square of the residuals the chart shows, which in turn are the
  // model column minus the readings.
  void errorLabelAgreesWithTheDrawnResiduals() {
    const QList<QPointF> data = SeriesPoints(*window_, "Chart1", "serData");
    const QList<QPointF> model = SeriesPoints(*window_, "Chart1", "serModel");
    const QList<QPointF> residual = SeriesPoints(*window_, "Chart1", "serError");
    QCOMPARE(model.size(), 1201);
    QCOMPARE(residual.size(), 1201);
    double sum = 0;
    for (int i = 0; i < 1201; ++i) {
      QCOMPARE(residual[i].x(), data[i].x());
      QCOMPARE(residual[i].y(), model[i].y() - data[i].y());
      sum += residual[i].y() * residual[i].y();
    }
    const double mean = sum / 1201;
    const double shown = Control<QLabel>(*window_, "lbSSE")->text().toDouble();
    QVERIFY(std::fabs(shown - mean) <= 0.0005 + 1e-9 * mean);
    QVERIFY(shown > 0);
  }

  void copiesEveryDefaultIntoTheRecord() {
    const TModel& m = window_->model();
    QCOMPARE(m.Param, (std::array<double, 5>{10, 100, 1e-8, 8, 1}));
    QCOMPARE(m.Min, (std::array<double, 5>{0, 0, 1e-11, 1, 0}));
    QCOMPARE(m.Max, (std::array<double, 5>{100, 200, 1e-6, 20, 20}));
    QCOMPARE(m.Fit, (std::array<bool, 5>{true, true, true, true, true}));
    QCOMPARE(m.Init, (std::array<double, 3>{6, 0, 0}));
    QCOMPARE(m.Dt, 0.1);
    QCOMPARE(window_->ProbedSeparator(), '.');
    QCOMPARE(Control<QLineEdit>(*window_, "edTStep")->text(), QStringLiteral("0.1"));
  }

  void progressLabelsWaitForAFit() {
    for (const char* name : {"lbItr", "lbNSeries", "lbStep"}) {
      QCOMPARE(Control<QLabel>(*window_, name)->text(), QStringLiteral("0000"));
    }
    QVERIFY(Lines(Control<QPlainTextEdit>(*window_, "mResults")).isEmpty());
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mSens")->toPlainText(), QStringLiteral("mSens"));
    QVERIFY(SeriesPoints(*window_, "Chart2", "serSSE").isEmpty());
  }

  // Shown a second time (after being hidden), the window does not apply again.
  void firstShowRunsOnce() {
    SetText(*window_, "mTime", QStringLiteral("0\n1"));
    window_->hide();
    window_->show();
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("1201"));
  }

  // An error in the start-up Apply is shown; the window is shown all the same.
  void startUpErrorIsShownAndTheWindowGoesOn() {
    TfmMain window;
    SetText(window, "edTStep", QStringLiteral("X"));
    window.show();
    QVERIFY(window.isVisible());
    QCOMPARE(boxes_->texts,
             QStringList{QStringLiteral("'X' is not a valid floating point value.")});
    QCOMPARE(boxes_->captions, QStringList{ApplicationTitle()});
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
