// The Fit menu on the real window: a refinement of the default case with its result line, fields,
// error chart and report; the stop by a second trigger and the state of the controls while it
// runs; no refinement while another operation runs; a refusal and a nested Apply.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "app/charts/line_series.h"
#include "app/dialogs/fit_report_dialog.h"
#include "app/layout/ui.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

const char* const kOperations[] = {"btApply", "btCalculate", "btFit", "btEstimate", "btSeries"};

// The result line of a fit: the error with 5 decimals, the five parameters in exponent style.
const QRegularExpression kResultLine(QStringLiteral(R"(^\d+\.\d{5}(\t-?\d\.\d{4}E[+-]\d{2}){5}$)"));

}  // namespace

class RefineTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override {
    refine_ = Control<QAction>(*window_, "acRefine");
    report_ = Control<QAction>(*window_, "acFitReport");
    results_ = Control<QPlainTextEdit>(*window_, "mResults");
  }

  void ExpectIdle() {
    for (const char* name : kOperations) {
      QVERIFY2(Control<QAbstractButton>(*window_, name)->isEnabled(), name);
    }
    QVERIFY(Control<QPushButton>(*window_, "Button1")->isEnabled());
    QVERIFY(refine_->isEnabled());
  }

  QAction* refine_ = nullptr;
  QAction* report_ = nullptr;
  QPlainTextEdit* results_ = nullptr;

 private slots:
  void menuSitsInTheMenuBar() {
    QCOMPARE(refine_->text(), QStringLiteral("Refine (least squares)"));
    QCOMPARE(refine_->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QCOMPARE(report_->text(), QStringLiteral("Fit report..."));
    QVERIFY(!report_->isEnabled());  // nothing to report yet
    QMenu* fit = window_->menuBar()->findChild<QMenu*>(QStringLiteral("mnFit"));
    QVERIFY(fit != nullptr);
    QCOMPARE(fit->title(), QStringLiteral("Fit"));
  }

  void refinesTheDefaultCaseAndReportsIt() {
    const qsizetype linesBefore = Lines(results_).size();
    refine_->trigger();

    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    const QStringList lines = Lines(results_);
    QCOMPARE(lines.size(), linesBefore + 1);
    QVERIFY2(kResultLine.match(lines.last()).hasMatch(), qPrintable(lines.last()));
    const double error = lines.last().section('\t', 0, 0).toDouble();
    QVERIFY(error < 200);  // the defaults start near 13000
    QVERIFY(QRegularExpression(QStringLiteral(R"(^\d\.\d{2}E-\d{2}$)"))
                .match(Control<QLineEdit>(*window_, "edKnuc")->text())
                .hasMatch());
    // One point per iteration of the winning start, never rising.
    const QList<QPointF> path = window_->ui().serSSE->Points();
    QVERIFY(path.size() >= 3);
    for (qsizetype i = 1; i < path.size(); ++i) QVERIFY(path[i].y() <= path[i - 1].y());
    QVERIFY(std::fabs(path.last().y() - error) <= 1e-3 * error);
    ExpectIdle();

    QVERIFY(report_->isEnabled());
    report_->trigger();
    auto* dialog = window_->findChild<TFitReportDialog*>();
    QVERIFY(dialog != nullptr);
    const QString text = Control<QPlainTextEdit>(*dialog, "mFitReport")->toPlainText();
    QVERIFY(text.contains(QStringLiteral("Points (n)\t1201")));
    QVERIFY(text.contains(QStringLiteral("Starts that reached the best\t")));
    QVERIFY(text.contains(QStringLiteral("Runs of the residual signs\t")));
    QVERIFY(Control<QTableWidget>(*dialog, "tbCorrelation")->rowCount() >= 1);
    QTest::mouseClick(Control<QPushButton>(*dialog, "btCopyReport"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), dialog->Text());
  }

  // While it runs: every operation button off, Refine on (it stops), the report off. A second
  // trigger ends it with the best point so far, which still makes a result line.
  void secondTriggerStopsItAndTheControlsComeBack() {
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      for (const char* name : kOperations) {
        QVERIFY2(!Control<QAbstractButton>(*window_, name)->isEnabled(), name);
      }
      QVERIFY(!Control<QPushButton>(*window_, "Button1")->isEnabled());
      QVERIFY(refine_->isEnabled());
      QVERIFY(!report_->isEnabled());
      refine_->trigger();
    });
    const qsizetype linesBefore = Lines(results_).size();
    refine_->trigger();
    QVERIFY(seen);
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(results_).size(), linesBefore + 1);
    ExpectIdle();
    QVERIFY(report_->isEnabled());
  }

  void noRefinementWhileAFitRuns() {
    SetText(*window_, "edNItr", QStringLiteral("4"));
    SetText(*window_, "edNShow", QStringLiteral("2"));
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      QVERIFY(!refine_->isEnabled());
      refine_->trigger();  // a disabled action does nothing
    });
    Click(Control<QToolButton>(*window_, "btFit"));
    QVERIFY(seen);
    QCOMPARE(Lines(results_).size(), 1);  // the fit's line only
    QVERIFY(refine_->isEnabled());
  }

  void refusesWithoutMarkedParameters() {
    for (const char* box : {"chbBFluo", "chbTShift", "chbKnuc", "chbKon", "chbKoff"}) {
      Control<QCheckBox>(*window_, box)->setChecked(false);
    }
    const QStringList before = Lines(results_);
    refine_->trigger();
    QCOMPARE(boxes_->texts, QStringList{QStringLiteral("No parameter is marked for fitting.")});
    QCOMPARE(Lines(results_), before);
    ExpectIdle();
    QVERIFY(!report_->isEnabled());
  }

  // A fit mark clicked during the refinement runs Apply: the record is replaced, the refinement
  // goes on with the new one and ends normally.
  void nestedApplyReplacesTheRecord() {
    const TModel* before = &window_->model();
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      Control<QCheckBox>(*window_, "chbBFluo")->click();
    });
    refine_->trigger();
    QVERIFY(seen);
    QVERIFY(&window_->model() != before);
    QVERIFY(boxes_->texts.isEmpty());
    QVERIFY(kResultLine.match(Lines(results_).last()).hasMatch());
    ExpectIdle();
  }
};

QTEST_MAIN(RefineTest)
#include "refine_test.moc"
