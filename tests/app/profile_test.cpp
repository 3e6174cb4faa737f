// Fit > Profile intervals on the real window: it refines first unless the record holds a
// refinement's result, runs like the refinement (the other operations off, a second trigger or
// Esc stops it), and the report then shows the intervals, in its table, its sentences, its
// plots and its copied text; a nested Apply during the profile.
#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "app/dialogs/fit_report_dialog.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

const char* const kOperations[] = {"btApply", "btCalculate", "btFit", "btEstimate", "btSeries"};

// The columns of the parameter table with a profile.
enum Column { kName, kValue, kError, kInterval, kProfile, kStatus };

}  // namespace

class ProfileTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override {
    refine_ = Control<QAction>(*window_, "acRefine");
    profile_ = Control<QAction>(*window_, "acProfile");
    results_ = Control<QPlainTextEdit>(*window_, "mResults");
  }

  TFitReportDialog* Report() { return window_->findChild<TFitReportDialog*>(); }

  QTableWidget* Table() { return Control<QTableWidget>(*Report(), "tbParameters"); }

  QString Cell(int row, int column) { return Table()->item(row, column)->text(); }

  void ExpectIdle() {
    for (const char* name : kOperations) {
      QVERIFY2(Control<QAbstractButton>(*window_, name)->isEnabled(), name);
    }
    QVERIFY(refine_->isEnabled());
    QVERIFY(profile_->isEnabled());
    QVERIFY(Control<QAction>(*window_, "acFitReport")->isEnabled());
  }

  // A refinement of the start-up values, without an error.
  void Refine() {
    refine_->trigger();
    QVERIFY(boxes_->texts.isEmpty());
  }

  QAction* refine_ = nullptr;
  QAction* profile_ = nullptr;
  QPlainTextEdit* results_ = nullptr;

 private slots:
  void sitsInTheFitMenu() {
    QCOMPARE(profile_->text(), QStringLiteral("Profile intervals"));
    QVERIFY(profile_->isEnabled());
  }

  // From the start-up values it refines first (one result line), then profiles; the report
  // opens with a profile interval per refined parameter, Kon's reaching its bound in words.
  void refinesFirstThenShowsTheIntervals() {
    profile_->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QCOMPARE(Lines(results_).size(), 1);
    QVERIFY(Report() != nullptr);
    QCOMPARE(Table()->horizontalHeaderItem(kProfile)->text(),
             QStringLiteral("95 % profile interval"));
    for (const int row : {0, 2, 4}) {  // BFluo, Knuc, Koff: a range of numbers
      QVERIFY2(Cell(row, kProfile).contains(QStringLiteral(" to ")),
               qPrintable(Cell(row, kProfile)));
    }
    QCOMPARE(Cell(1, kProfile), QStringLiteral("held on its time step (± 0.05)"));
    QCOMPARE(Cell(3, kStatus), QStringLiteral("on its upper bound"));
    QVERIFY2(Cell(3, kProfile).endsWith(QStringLiteral("; not limited by the data above 20")),
             qPrintable(Cell(3, kProfile)));
    const QString notes = Control<QLabel>(*Report(), "lbProfileNotes")->text();
    QVERIFY2(notes.contains(QStringLiteral("The data determine Knuc·Kon = ")), qPrintable(notes));

    // A plot per quantity profiled, its curve drawn, the threshold a line across.
    QTabWidget* pages = Control<QTabWidget>(*Report(), "tabFitReport");
    QCOMPARE(pages->count(), 2);
    const QList<QChartView*> plots = pages->widget(1)->findChildren<QChartView*>();
    QCOMPARE(plots.size(), 6);  // BFluo, Knuc, Kon, Koff, Knuc·Kon, Koff/Kon
    for (const QChartView* plot : plots) {
      QVERIFY(static_cast<QLineSeries*>(plot->chart()->series()[0])->count() >= 3);
      QCOMPARE(static_cast<QLineSeries*>(plot->chart()->series()[1])->count(), 2);
    }

    // Copy: the intervals in the table's column and the combinations.
    QTest::mouseClick(Control<QPushButton>(*Report(), "btCopyReport"), Qt::LeftButton);
    const QString text = QGuiApplication::clipboard()->text();
    QVERIFY(text.startsWith(QStringLiteral(
        "Parameter\tValue\tStandard error\t95 % interval\t95 % profile interval\tStatus\n")));
    QVERIFY(text.contains(QStringLiteral("\t") + Cell(3, kProfile) + QStringLiteral("\t")));
    QVERIFY(text.contains(QStringLiteral("\nKnuc·Kon (µM⁻³s⁻²)\t")));
    ExpectIdle();
  }

  // Right after a refinement the profile starts from its exact result: no second refinement,
  // the values of the report unchanged. A changed field makes it refine again.
  void startsFromTheRefinementsResult() {
    Refine();
    window_->ShowFitReport();
    QStringList values;
    for (int row = 0; row < 5; ++row)
      values << Control<QTableWidget>(*Report(), "tbParameters")->item(row, kValue)->text();
    profile_->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QCOMPARE(Lines(results_).size(), 1);
    for (int row = 0; row < 5; ++row) QCOMPARE(Cell(row, kValue), values[row]);

    SetText(*window_, "edKoffMax", QStringLiteral("19"));
    profile_->trigger();
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(results_).size(), 2);
  }

  // While it runs every operation is off but Profile, which stops it (so does Esc): the report
  // shows the intervals finished so far and marks the others unfinished.
  void stopsBySecondTriggerOrEscape_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("second trigger") << false;
    QTest::newRow("Esc") << true;
  }
  void stopsBySecondTriggerOrEscape() {
    QFETCH(bool, escape);
    Refine();
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      for (const char* name : kOperations) {
        QVERIFY2(!Control<QAbstractButton>(*window_, name)->isEnabled(), name);
      }
      QVERIFY(!Control<QPushButton>(*window_, "Button1")->isEnabled());
      QVERIFY(!refine_->isEnabled());
      QVERIFY(profile_->isEnabled());
      QVERIFY(!Control<QAction>(*window_, "acFitReport")->isEnabled());
      QVERIFY(window_->OperationRunning());
      if (escape) {
        StopByClickOrEscape(*window_, nullptr, true);
      } else {
        profile_->trigger();
      }
    });
    profile_->trigger();
    QVERIFY(seen);
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QVERIFY(!window_->OperationRunning());
    bool unfinished = false;
    for (int row = 0; row < 5; ++row) unfinished |= Cell(row, kProfile) == "unfinished";
    QVERIFY(unfinished);
    const QString notes = Control<QLabel>(*Report(), "lbProfileNotes")->text();
    QVERIFY(notes.contains(QStringLiteral("The profiles were stopped")));
    ExpectIdle();
  }

  // A fit mark clicked during the profile runs Apply and replaces the record: the profile goes
  // on with the new one and ends with its intervals.
  void nestedApplyDuringTheProfile() {
    Refine();
    const TModel* before = &window_->model();
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      Control<QCheckBox>(*window_, "chbBFluo")->click();
    });
    profile_->trigger();
    QVERIFY(seen);
    QVERIFY(&window_->model() != before);
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QVERIFY(Cell(2, kProfile).contains(QStringLiteral(" to ")));
    ExpectIdle();
  }

  // Nothing to profile: every marked parameter pinned on a bound. A message, no report.
  void refusesWhenNothingIsFree() {
    for (const char* box : {"chbBFluo", "chbTShift", "chbKnuc", "chbKoff"}) {
      Control<QCheckBox>(*window_, box)->setChecked(false);
    }
    SetText(*window_, "edKonMin", QStringLiteral("8"));
    SetText(*window_, "edKonMax", QStringLiteral("8"));
    profile_->trigger();
    QCOMPARE(boxes_->texts.size(), 1);
    QVERIFY(Report() == nullptr);
    QVERIFY(!window_->OperationRunning());
  }
};

QTEST_MAIN(ProfileTest)
#include "profile_test.moc"
