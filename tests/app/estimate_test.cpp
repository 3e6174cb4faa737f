// The initial estimation and the series of fits on the real window. The first test must stay
// first: it needs the process's random generator untouched since program start.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

#include "app/charts/line_series.h"
#include "app/layout/ui.h"
#include "core/numtext.h"
#include "core/random.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

const QColor kRed(255, 0, 0);
const QColor kNavy(0, 0, 128);

const char* const kOperationButtons[] = {"btApply", "btCalculate", "btFit", "btEstimate"};

void Uncheck(TfmMain& window, std::initializer_list<const char*> boxes) {
  for (const char* box : boxes) Control<QCheckBox>(window, box)->setChecked(false);
}

QString Field(TfmMain& window, const char* name) {
  return Control<QLineEdit>(window, name)->text();
}

}  // namespace

class EstimateTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override { series_ = Control<QToolButton>(*window_, "btSeries"); }

 private slots:
  // Times 0, 1, 2, readings 0, 1, 4 with Knuc 1 and every other rate 0: the curve is 0, 3, 3
  // before scaling, so the model is BFluo, 4, 4 and the error (BFluo^2 + 9) / 3. Only BFluo is
  // drawn, between 0 and 100: the best of five draws is the smallest, and the draws are those a
  // generator fresh from its start gives, whatever run of the program this is.
  void firstEstimationDrawsFromTheStartOfTheSequence() {
    SetText(*window_, "mTime", QStringLiteral("0\n1\n2"));
    SetText(*window_, "mData", QStringLiteral("0\n1\n4"));
    const std::pair<const char*, const char*> fields[] = {
        {"edBFluo", "50"}, {"edBFluoMin", "0"}, {"edBFluoMax", "100"}, {"edTShift", "0"},
        {"edKnuc", "1"},   {"edKon", "0"},      {"edKoff", "0"},       {"edAG", "1"},
        {"edTStep", "1"},  {"edNItr", "5"}};
    for (const auto& [name, text] : fields) SetText(*window_, name, QString::fromLatin1(text));
    Uncheck(*window_, {"chbTShift", "chbKnuc", "chbKon", "chbKoff"});

    Click(Control<QToolButton>(*window_, "btEstimate"));

    QVERIFY(boxes_->texts.isEmpty());
    TShuffledGenerator fresh;
    double best = 1e300;
    for (int draw = 0; draw < 5; ++draw) best = std::min(best, fresh.Uniform(0, 100));
    QCOMPARE(window_->model().Param[BFluo], best);
    QCOMPARE(Field(*window_, "edBFluo").toStdString(), FormatReal(best, FloatStyle::Fixed, 5, 3));
    // The estimation writes Knuc with three exponent digits.
    QCOMPARE(Field(*window_, "edKnuc"), QStringLiteral("1.00E+000"));
    QCOMPARE(Field(*window_, "edKon"), QStringLiteral("0.000"));
    const double shown = ParseReal(Control<QLabel>(*window_, "lbSSE")->text().toStdString());
    QVERIFY(std::abs(shown - (best * best + 9) / 3) < 1e-3);
    QCOMPARE(window_->ui().serSSE->Points(), (QList<QPointF>{{0, 1e10}}));
    for (const char* on : kOperationButtons) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
  }

  // No draw: the fields and the record stay as applied, the error chart shows 1e10 alone.
  void noDrawsLeaveTheAppliedSet() {
    SetText(*window_, "edNItr", QStringLiteral("0"));
    const auto applied = window_->model().Param;

    Click(Control<QToolButton>(*window_, "btEstimate"));

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(window_->model().Param, applied);
    QCOMPARE(Field(*window_, "edKnuc"), QStringLiteral("1E-8"));
    QCOMPARE(window_->ui().serSSE->Points(), (QList<QPointF>{{0, 1e10}}));
  }

  // Nothing marked: every draw evaluates the applied set with Kon raised to Koff; the first
  // one beats 1e10 and is written back in the estimation's styles.
  void unmarkedDrawsRaiseKonToKoff() {
    Uncheck(*window_, {"chbBFluo", "chbTShift", "chbKnuc", "chbKon", "chbKoff"});
    SetText(*window_, "edKon", QStringLiteral("0.5"));
    SetText(*window_, "edNItr", QStringLiteral("3"));

    Click(Control<QToolButton>(*window_, "btEstimate"));

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(window_->model().Param[Kon], 1.0);
    const std::pair<const char*, const char*> fields[] = {{"edBFluo", "10.000"},
                                                          {"edTShift", "100.000"},
                                                          {"edKnuc", "1.00E-008"},
                                                          {"edKon", "1.000"},
                                                          {"edKoff", "1.000"}};
    for (const auto& [name, text] : fields) QCOMPARE(Field(*window_, name), QString(text));
  }

  // Alone, its button is its stop while the other three are off; an error at the next read of
  // the draw count ends it with every button, caption and tag as before.
  void estimationAloneStopsByItsButtonAndIsRestoredAfterAnError() {
    auto* estimate = Control<QToolButton>(*window_, "btEstimate");
    const QColor idleColour = CaptionColour(estimate);
    SetText(*window_, "edNItr", QStringLiteral("1"));
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      QCOMPARE(estimate->text(), QStringLiteral("Stop"));
      QCOMPARE(CaptionColour(estimate), kRed);
      QCOMPARE(Tag(estimate), 1);
      QVERIFY(estimate->isEnabled());
      for (const char* off : {"btApply", "btCalculate", "btFit"}) {
        QVERIFY2(!Control<QToolButton>(*window_, off)->isEnabled(), off);
      }
      SetText(*window_, "edNItr", QStringLiteral("X"));  // read after this event point
    });

    Click(estimate);

    QVERIFY(seen);
    QCOMPARE(boxes_->texts, QStringList{"'X' is not a valid integer value."});
    QCOMPARE(estimate->text(), QStringLiteral("(Initial estimation)"));
    QCOMPARE(CaptionColour(estimate), idleColour);
    QCOMPARE(Tag(estimate), 0);
    for (const char* on : kOperationButtons) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
  }

  // 100000 draws that cannot improve after the first (BFluo drawn between 10 and 10): after the
  // first improvement only the 50 ms event points let a click in. A click or Esc there ends the
  // estimation after its current draw, the first draw's set in the record and the fields.
  void stopEndsALongEstimationAfterTheCurrentDraw_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("second click") << false;
    QTest::newRow("Esc") << true;
  }
  void stopEndsALongEstimationAfterTheCurrentDraw() {
    QFETCH(bool, escape);
    auto* estimate = Control<QToolButton>(*window_, "btEstimate");
    Uncheck(*window_, {"chbTShift", "chbKnuc", "chbKon", "chbKoff"});
    SetText(*window_, "edBFluoMin", QStringLiteral("10"));
    SetText(*window_, "edBFluoMax", QStringLiteral("10"));
    SetText(*window_, "edNItr", QStringLiteral("100000"));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    const TShuffledGenerator before = ProcessGenerator();
    // The first event point is the first draw's improvement; the stop comes at a later one,
    // once more draws were made.
    TShuffledGenerator afterFirst;
    bool stopped = false;
    std::function<void()> stopOnceDrawn = [&] {
      TShuffledGenerator now = ProcessGenerator();
      if (TShuffledGenerator then = afterFirst; now.Next() == then.Next()) {
        QTimer::singleShot(1, stopOnceDrawn);
        return;
      }
      stopped = true;
      StopByClickOrEscape(*window_, estimate, escape);
      QCOMPARE(Tag(estimate), 0);
    };
    WhenEventsRun([&] {
      afterFirst = ProcessGenerator();
      QTimer::singleShot(1, stopOnceDrawn);
    });

    Click(estimate);

    QVERIFY(stopped);
    QVERIFY(boxes_->texts.isEmpty());
    // One value of the generator per draw: count the draws made.
    const double next[2] = {ProcessGenerator().Next(), ProcessGenerator().Next()};
    TShuffledGenerator replay = before;
    int draws = 0;
    for (; draws < 100000; ++draws, replay.Next()) {
      TShuffledGenerator probe = replay;
      if (probe.Next() == next[0] && probe.Next() == next[1]) break;
    }
    QVERIFY2(draws > 1 && draws < 100000, qPrintable(QString::number(draws)));
    QCOMPARE(window_->model().Param[BFluo], 10.0);
    QCOMPARE(Field(*window_, "edBFluo"), QStringLiteral("10.000"));
    QCOMPARE(estimate->text(), QStringLiteral("(Initial estimation)"));
    QCOMPARE(Tag(estimate), 0);
    for (const char* on : kOperationButtons) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
  }

  void seriesLogsOneLinePerRun() {
    SetText(*window_, "edNItr", QStringLiteral("2"));
    SetText(*window_, "edNShow", QStringLiteral("1"));
    SetText(*window_, "edNSeries", QStringLiteral("3"));

    Click(series_);

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 3);
    QCOMPARE(Control<QLabel>(*window_, "lbNSeries")->text(), QStringLiteral("3"));
    QCOMPARE(series_->text(), QStringLiteral("Series of FITs"));
    QCOMPARE(CaptionColour(series_), kNavy);
    QCOMPARE(Tag(series_), 0);
    for (const char* on : kOperationButtons) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
  }

  // A stop click, seen during the first estimation, ends the series after its first fit, which
  // itself runs to its end.
  void stopEndsTheSeriesAfterTheCurrentFit() {
    SetText(*window_, "edNItr", QStringLiteral("2"));
    SetText(*window_, "edNShow", QStringLiteral("1"));
    SetText(*window_, "edNSeries", QStringLiteral("5"));
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      QCOMPARE(series_->text(), QStringLiteral("Stop num.exp."));
      QCOMPARE(CaptionColour(series_), kRed);
      QCOMPARE(Tag(series_), 1);
      // Inside a series the estimation has no stop of its own: its button stays off.
      auto* estimate = Control<QToolButton>(*window_, "btEstimate");
      QVERIFY(!estimate->isEnabled());
      QCOMPARE(estimate->text(), QStringLiteral("(Initial estimation)"));
      QCOMPARE(Tag(estimate), 0);
      Click(series_);
    });

    Click(series_);

    QVERIFY(seen);
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
    QCOMPARE(Control<QLabel>(*window_, "lbItr")->text(), QStringLiteral("2"));
    QCOMPARE(series_->text(), QStringLiteral("Series of FITs"));
    QCOMPARE(Tag(series_), 0);
  }

  // An error ends the series with every mark restored; the next click starts a new series.
  void errorInTheSeriesLeavesItIdle() {
    SetText(*window_, "edNSeries", QStringLiteral("X"));

    Click(series_);

    QCOMPARE(boxes_->texts, QStringList{"'X' is not a valid integer value."});
    QCOMPARE(series_->text(), QStringLiteral("Series of FITs"));
    QCOMPARE(CaptionColour(series_), kNavy);
    QCOMPARE(Tag(series_), 0);
    for (const char* on : kOperationButtons) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }

    SetText(*window_, "edNSeries", QStringLiteral("1"));
    SetText(*window_, "edNItr", QStringLiteral("1"));
    Click(series_);
    QCOMPARE(boxes_->texts.size(), 1);
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
  }

 private:
  QToolButton* series_ = nullptr;
};

QTEST_MAIN(EstimateTest)
#include "estimate_test.moc"
