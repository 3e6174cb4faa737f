// The Fit button on the real window: a hand-worked fit, the result line, the stop click, a
// nested Apply, and the button's state after every way a fit can end.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include "app/charts/line_series.h"
#include "app/layout/ui.h"
#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

const QColor kRed(255, 0, 0);
const QColor kNavy(0, 0, 128);

// Times 0, 1, 2, 3; readings 0, 0, 4, 4; only the time shift is fitted, between 0 and 10.
// Knuc 1, Kon 0, Koff 0, G-actin 1, dt 1: the first step from G = 1 makes F = 3, G = -2 (held
// at 0), N = 1, and nothing moves after it. So the curve is 0 up to the first point after the
// time shift and 3 from there on, scaled to 4.
// Shift 0: model 0, 4, 4, 4, error 16 / 4 = 4. Shift 1: 0, 0, 4, 4, error 0.
// Iteration 1, step 0.1 (a move of 1): down is clamped to 0 (error 4), up gives 1 (error 0):
// the move; step 0.12. Iteration 2: 0 again (4) and 2.2 (model 0, 0, 0, 4: error 4); step
// 0.06. Iteration 3: 0.4 (error 4) and 1.6 (error 0, a tie, no move); step 0.03.
void SetShiftCase(TfmMain& window) {
  SetText(window, "mTime", QStringLiteral("0\n1\n2\n3"));
  SetText(window, "mData", QStringLiteral("0\n0\n4\n4"));
  const std::pair<const char*, const char*> fields[] = {
      {"edBFluo", "0"},      {"edTShift", "0"}, {"edTShiftMin", "0"},
      {"edTShiftMax", "10"}, {"edKnuc", "1"},   {"edKon", "0"},
      {"edKoff", "0"},       {"edAG", "1"},     {"edTStep", "1"}};
  for (const auto& [name, text] : fields) SetText(window, name, QString::fromLatin1(text));
  for (const char* box : {"chbBFluo", "chbKnuc", "chbKon", "chbKoff"}) {
    Control<QCheckBox>(window, box)->setChecked(false);
  }
}

}  // namespace

class FitTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override { fit_ = Control<QToolButton>(*window_, "btFit"); }

 private slots:
  void fitsTheHandWorkedShift() {
    SetShiftCase(*window_);
    SetText(*window_, "edNItr", QStringLiteral("3"));
    SetText(*window_, "edNShow", QStringLiteral("1"));
    QCOMPARE(fit_->text(), QStringLiteral("FIT"));

    Click(fit_);

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")),
             QStringList{"0.00000\t0.0000E+00\t1.0000E+00\t1.0000E+00\t0.0000E+00\t0.0000E+00"});
    QCOMPARE(window_->model().Param[TShift], 1.0);
    QCOMPARE(window_->ui().serSSE->Points(), (QList<QPointF>{{0, 4}, {1, 0}, {2, 0}, {3, 0}}));
    QCOMPARE(Control<QLabel>(*window_, "lbItr")->text(), QStringLiteral("3"));
    QCOMPARE(Control<QLabel>(*window_, "lbStep")->text(), QStringLiteral("0.03"));
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), QStringLiteral("0.000"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mModel")),
             (QStringList{"0.00000", "0.00000", "4.00000", "4.00000"}));
    // The report styles: fixed with 3 decimals, Knuc with two exponent digits.
    const std::pair<const char*, const char*> fields[] = {{"edBFluo", "0.000"},
                                                          {"edTShift", "1.000"},
                                                          {"edKnuc", "1.00E+00"},
                                                          {"edKon", "0.000"},
                                                          {"edKoff", "0.000"}};
    for (const auto& [name, text] : fields) {
      QCOMPARE(Control<QLineEdit>(*window_, name)->text(), QString::fromLatin1(text));
    }
    QCOMPARE(fit_->text(), QStringLiteral("Fit"));
    QCOMPARE(CaptionColour(fit_), kNavy);
    QCOMPARE(Tag(fit_), 0);
  }

  // The defaults, all five marked: BFluo starts at the first reading, the error goes down, the
  // fields show the record's values rounded in their styles.
  void fitOnTheDefaultsLowersTheError() {
    SetText(*window_, "edNItr", QStringLiteral("4"));
    SetText(*window_, "edNShow", QStringLiteral("2"));
    const double before = ParseReal(Control<QLabel>(*window_, "lbSSE")->text().toStdString());

    Click(fit_);

    QVERIFY(boxes_->texts.isEmpty());
    const QStringList lines = Lines(Control<QPlainTextEdit>(*window_, "mResults"));
    QCOMPARE(lines.size(), 1);
    static const QRegularExpression shape(
        QStringLiteral("^\\d+\\.\\d{5}(\\t-?\\d\\.\\d{4}E[+-]\\d{2}){5}$"));
    QVERIFY2(shape.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    const QStringList cells = lines[0].split(u'\t');
    QVERIFY(ParseReal(cells[0].toStdString()) < before);

    const TModel& m = window_->model();
    for (int k = 0; k < kParamCount; ++k) {
      QCOMPARE(cells[k + 1].toStdString(), FormatReal(m.Param[k], FloatStyle::Exponent, 5, 2));
      const std::string shown = k == Knuc ? FormatReal(m.Param[k], FloatStyle::Exponent, 3, 2)
                                          : FormatReal(m.Param[k], FloatStyle::Fixed, 5, 3);
      QCOMPARE(window_->ui().params[k].value->text().toStdString(), shown);
    }
    QCOMPARE(window_->ui().serSSE->Points().size(), 3);  // the start and two reports
    QCOMPARE(Control<QLabel>(*window_, "lbItr")->text(), QStringLiteral("4"));
  }

  // The results pane keeps showing where its lines start, with the newest line in view.
  void resultsPaneShowsTheStartOfItsNewestLine() {
    auto* pages = Control<QTabWidget>(*window_, "PageControl1");
    auto* results = Control<QPlainTextEdit>(*window_, "mResults");
    SetText(*window_, "edNItr", QStringLiteral("1"));
    SetText(*window_, "edNShow", QStringLiteral("1"));
    for (int i = 0; i < 40; ++i) {
      pages->setCurrentIndex(i % 2 == 0 ? 3 : 0);  // appended in view and out of view
      Click(fit_);
    }
    pages->setCurrentIndex(3);
    QCoreApplication::processEvents();
    QVERIFY(results->horizontalScrollBar()->maximum() > 0);  // the lines are wider than the pane
    QCOMPARE(results->horizontalScrollBar()->value(), 0);
    const QRect newest = results->cursorRect(QTextCursor(results->document()->lastBlock()));
    QVERIFY(results->viewport()->rect().contains(newest));
  }

  // No iteration: one evaluation with BFluo at the first reading, one point, one line.
  void noIterationsEvaluateOnceAndLog_data() {
    QTest::addColumn<QString>("iterations");
    QTest::newRow("0") << "0";
    QTest::newRow("-3") << "-3";
  }
  void noIterationsEvaluateOnceAndLog() {
    QFETCH(QString, iterations);
    SetText(*window_, "edNItr", iterations);

    Click(fit_);

    QVERIFY(boxes_->texts.isEmpty());
    const QStringList lines = Lines(Control<QPlainTextEdit>(*window_, "mResults"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].endsWith("\t5.0000E+01\t1.0000E+02\t1.0000E-08\t8.0000E+00\t1.0000E+00"),
             qPrintable(lines[0]));
    const QList<QPointF> sse = window_->ui().serSSE->Points();
    QCOMPARE(sse.size(), 1);
    QCOMPARE(sse[0].x(), 0.0);
    QCOMPARE(FormatReal(sse[0].y(), FloatStyle::Fixed, 5, 5),
             lines[0].split(u'\t')[0].toStdString());
    QCOMPARE(fit_->text(), QStringLiteral("Fit"));
  }

  // While the fit runs its button says Stop in red and three buttons are off; a second click
  // or Esc, delivered at the first report, ends the fit there, and the line is still written.
  void secondClickStopsAtTheReport_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("second click") << false;
    QTest::newRow("Esc") << true;
  }
  void secondClickStopsAtTheReport() {
    QFETCH(bool, escape);
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    SetShiftCase(*window_);
    SetText(*window_, "edNItr", QStringLiteral("50"));
    SetText(*window_, "edNShow", QStringLiteral("2"));
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      QCOMPARE(fit_->text(), QStringLiteral("Stop"));
      QCOMPARE(CaptionColour(fit_), kRed);
      QCOMPARE(Tag(fit_), 1);
      QVERIFY(fit_->isEnabled());
      QVERIFY(Control<QToolButton>(*window_, "btSeries")->isEnabled());
      // A disabled button shows the style's disabled caption colour, not its own.
      const QColor disabledText =
          QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText);
      for (const char* off : {"btApply", "btCalculate", "btEstimate"}) {
        auto* button = Control<QToolButton>(*window_, off);
        QVERIFY2(!button->isEnabled(), off);
        QCOMPARE(button->palette().color(QPalette::ButtonText), disabledText);
      }
      StopByClickOrEscape(*window_, fit_, escape);
    });

    Click(fit_);

    QVERIFY(seen);
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Control<QLabel>(*window_, "lbItr")->text(), QStringLiteral("2"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
    QCOMPARE(fit_->text(), QStringLiteral("Fit"));
    QCOMPARE(CaptionColour(fit_), kNavy);
    QCOMPARE(Tag(fit_), 0);
    for (const char* on : {"btApply", "btCalculate", "btEstimate"}) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
  }

  // The model column shows the report's curve as soon as its page is brought up during a fit.
  void modelColumnFollowsTheReportWhenShown() {
    SetShiftCase(*window_);
    SetText(*window_, "edNItr", QStringLiteral("3"));
    SetText(*window_, "edNShow", QStringLiteral("1"));
    QStringList shown;
    WhenEventsRun([&] {
      Control<QTabWidget>(*window_, "PageControl1")->setCurrentIndex(1);
      shown = Lines(Control<QPlainTextEdit>(*window_, "mModel"));
    });

    Click(fit_);

    QCOMPARE(shown, (QStringList{"0.00000", "0.00000", "4.00000", "4.00000"}));
  }

  // A check box runs Apply at the first report, on shorter columns: the record is replaced and
  // the fit goes on with the new one to its last iteration.
  void nestedApplyReplacesTheRecordTheFitGoesOn() {
    SetText(*window_, "edNItr", QStringLiteral("4"));
    SetText(*window_, "edNShow", QStringLiteral("2"));
    WhenEventsRun([&] {
      auto* time = Control<QPlainTextEdit>(*window_, "mTime");
      auto* data = Control<QPlainTextEdit>(*window_, "mData");
      time->setPlainText(Lines(time).mid(0, 600).join(u'\n'));
      data->setPlainText(Lines(data).mid(0, 600).join(u'\n'));
      Click(Control<QCheckBox>(*window_, "CheckBox5"));
    });

    Click(fit_);

    QVERIFY(boxes_->texts.isEmpty());
    TModel& m = window_->model();
    QCOMPARE(m.Count, 600);
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("600"));
    QCOMPARE(Control<QLabel>(*window_, "lbItr")->text(), QStringLiteral("4"));
    // The logged error is that of the final parameters on the new data.
    TModel copy = m;
    const QStringList lines = Lines(Control<QPlainTextEdit>(*window_, "mResults"));
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines[0].split(u'\t')[0].toStdString(),
             FormatReal(Evaluate(copy), FloatStyle::Fixed, 5, 5));
  }

  // A report interval of 0 or a count that is no integer is refused before the fit starts:
  // nothing changes, the caption included.
  void badCountsAreRefusedBeforeTheFit_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("show each 0")
        << "edNShow"
        << "0"
        << "The number of iterations between reports (show each) must not be 0.";
    QTest::newRow("show each not integer") << "edNShow"
                                           << "1.5"
                                           << "'1.5' is not a valid integer value.";
    QTest::newRow("iterations not integer") << "edNItr"
                                            << "X"
                                            << "'X' is not a valid integer value.";
  }
  void badCountsAreRefusedBeforeTheFit() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    SetText(*window_, field.toLatin1().constData(), text);

    Click(fit_);

    QCOMPARE(boxes_->texts, QStringList{message});
    QCOMPARE(fit_->text(), QStringLiteral("FIT"));
    QCOMPARE(Tag(fit_), 0);
    QVERIFY(Control<QToolButton>(*window_, "btApply")->isEnabled());
    QVERIFY(Lines(Control<QPlainTextEdit>(*window_, "mResults")).isEmpty());
    QVERIFY(window_->ui().serSSE->Points().isEmpty());
    QCOMPARE(Control<QLineEdit>(*window_, "edBFluo")->text(), QStringLiteral("10"));
  }

  // A search may move a marked TShift down to its lower bound: the steps are counted from
  // there. Apply from the shift itself takes 10 000 steps; the fit and the estimation would
  // take 1.2E9 per evaluation and are refused before they start.
  void searchesCountTheStepsFromTheShiftsLowerBound_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Fit") << "btFit";
    QTest::newRow("Estimate") << "btEstimate";
  }
  void searchesCountTheStepsFromTheShiftsLowerBound() {
    QFETCH(QString, button);
    SetText(*window_, "edTShift", QStringLiteral("1199.99"));
    SetText(*window_, "edTStep", QStringLiteral("1E-6"));
    const QString fields = Control<QLineEdit>(*window_, "edKnuc")->text();

    Click(Control<QToolButton>(*window_, button.toLatin1().constData()));

    QCOMPARE(boxes_->texts,
             QStringList{QStringLiteral(
                 "Time step 1E-6: one evaluation would take 1200000000 steps from TShift 0 to "
                 "the last time 1200, more than the 1000000000 allowed.")});
    QCOMPARE(Tag(fit_), 0);
    QCOMPARE(fit_->text(), QStringLiteral("FIT"));
    for (const char* on : {"btApply", "btCalculate", "btEstimate", "btFit"}) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
    QVERIFY(Lines(Control<QPlainTextEdit>(*window_, "mResults")).isEmpty());
    QVERIFY(window_->ui().serSSE->Points().isEmpty());
    QCOMPARE(Control<QLineEdit>(*window_, "edKnuc")->text(), fields);

    // With the shift held, the fit starts.
    Control<QCheckBox>(*window_, "chbTShift")->setChecked(false);
    SetText(*window_, "edNItr", QStringLiteral("0"));
    Click(fit_);
    QCOMPARE(boxes_->texts.size(), 1);
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
  }

  // An error inside the fit (a negative Koff trial fails its square root) ends it with the
  // button idle again, so that the next click starts a new fit.
  void errorDuringTheFitLeavesTheButtonIdle() {
    SetShiftCase(*window_);
    Control<QCheckBox>(*window_, "chbTShift")->setChecked(false);
    Control<QCheckBox>(*window_, "chbKoff")->setChecked(true);
    SetText(*window_, "edKoffMin", QStringLiteral("-20"));
    SetText(*window_, "edNItr", QStringLiteral("2"));

    Click(fit_);

    QCOMPARE(boxes_->texts,
             (QStringList{"sqrt: DOMAIN error", "Invalid floating point operation."}));
    QCOMPARE(fit_->text(), QStringLiteral("Fit"));
    QCOMPARE(CaptionColour(fit_), kNavy);
    QCOMPARE(Tag(fit_), 0);
    for (const char* on : {"btApply", "btCalculate", "btEstimate", "btFit"}) {
      QVERIFY2(Control<QToolButton>(*window_, on)->isEnabled(), on);
    }
    QVERIFY(Lines(Control<QPlainTextEdit>(*window_, "mResults")).isEmpty());

    Control<QCheckBox>(*window_, "chbKoff")->setChecked(false);
    Control<QCheckBox>(*window_, "chbTShift")->setChecked(true);
    Click(fit_);
    QCOMPARE(boxes_->texts.size(), 2);
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")),
             QStringList{"0.00000\t0.0000E+00\t1.0000E+00\t1.0000E+00\t0.0000E+00\t0.0000E+00"});
  }

 private:
  QToolButton* fit_ = nullptr;
};

QTEST_MAIN(FitTest)
#include "fit_test.moc"
