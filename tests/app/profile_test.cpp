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
#include <cmath>
#include <limits>
#include <vector>

#include "app/dialogs/fit_report_dialog.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

const char* const kOperations[] = {"btApply", "btCalculate", "btFit", "btEstimate", "btSeries"};

// The columns of the parameter table with a profile.
enum Column { kName, kValue, kError, kInterval, kProfile, kStatus };

// Statistics of a three-point record with a profile filled by hand: Knuc's profile spans three
// decades, Koff's was cut short, the ratio's is unfinished.
TFitStatistics HandMadeProfile() {
  TModel m(3);
  m.Param = {10, 100, 3.41e-8, 10, 0.5};
  m.Min = {0, 0, 1e-11, 0.1, 0};
  m.Max = {100, 200, 1e-6, 13.2, 20};
  m.Fit = {true, false, true, true, true};
  m.Data = {1, 2, 4};
  m.Residual = {0.5, -0.5, 0.25};
  TRefinement r{};
  r.StdError = {1, 0, 1e-9, 0.1, 0.2};
  r.StdError[TShift] = std::numeric_limits<double>::quiet_NaN();
  for (auto& row : r.Correlation) row.fill(0);
  r.Points = 3;
  r.Refined = 1;
  TFitStatistics s = FitStatistics(m, r);
  TProfileResult p;
  p.SSRMin = 100;
  p.Threshold = 103.5;
  const auto curve = [&](int32_t q, std::vector<double> values, double best) {
    p.Curve[static_cast<size_t>(q)].Value = values;
    for (const double v : values) {
      const double d = q == Knuc ? std::log10(v / best) : (v - best) / best;
      p.Curve[static_cast<size_t>(q)].SSR.push_back(100 + 4 * d * d);
    }
  };
  p.Status = {TProfileStatus::Done,      TProfileStatus::NotProfiled, TProfileStatus::Done,
              TProfileStatus::Done,      TProfileStatus::CutShort,    TProfileStatus::Done,
              TProfileStatus::Unfinished};
  p.Param[BFluo] = TInterval{9, 11, false, false};
  p.Param[Knuc] = TInterval{1.1e-9, 9.9e-7, false, false};
  p.Param[Kon] = TInterval{0.37, 13.2, false, true};
  p.Param[Koff] = TInterval{0, 0.62, true, false};
  p.KnucKon = TInterval{3.29e-7, 3.54e-7, false, false};
  p.Note[Koff] = "Floating point overflow";
  curve(BFluo, {8, 9, 10, 11, 12}, 10);
  curve(Knuc, {1e-9, 1e-8, 3.41e-8, 1e-7, 1e-6}, 3.41e-8);
  curve(Kon, {0.3, 1, 10, 13.2}, 10);
  curve(Koff, {0, 0.5, 0.62}, 0.5);
  curve(kProfileKnucKon, {3.2e-7, 3.41e-7, 3.6e-7}, 3.41e-7);
  curve(kProfileKoffKon, {0.05, 0.06}, 0.05);
  s.Profile = p;
  return s;
}

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
    QCOMPARE(pages->count(), 3);  // parameters, profiles, readouts
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

  // A stop while it still refines ends it there: the refinement's line, no profile.
  void stopWhileItRefinesFirst() {
    WhenEventsRun([&] { profile_->trigger(); });
    profile_->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    QCOMPARE(Lines(results_).size(), 1);
    QVERIFY(Report() == nullptr);
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

  // The profile page of a hand-made profile: a plot per quantity with a curve, titled with how
  // its profile ended; a rate spanning decades on a logarithmic axis, small values counted in
  // their power of ten, and every axis with its values.
  void plotsSayHowEachProfileEnded() {
    TFitReportDialog dialog(HandMadeProfile(), window_.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Control<QTabWidget>(dialog, "tabFitReport")->setCurrentIndex(1);
    const struct {
      const char* plot;
      const char* title;
      bool logarithmic;
      const char* axis;
    } plots[] = {
        {"chProfile0", "BFluo", false, "BFluo (a.u.)"},
        {"chProfile2", "Knuc", true, "Knuc (µM⁻²s⁻¹)"},
        {"chProfile3", "Kon", true, "Kon (µM⁻¹s⁻¹)"},
        {"chProfile4", "Koff (cut short)", false, "Koff (s⁻¹)"},
        {"chProfile5", "Knuc·Kon", false, "Knuc·Kon (×10⁻⁷ µM⁻³s⁻²)"},
        {"chProfile6", "Koff/Kon (unfinished)", false, "Koff/Kon (µM)"},
    };
    for (const auto& row : plots) {
      auto* plot = Control<QChartView>(dialog, row.plot);
      QCOMPARE(plot->chart()->title(), QString::fromUtf8(row.title));
      QAbstractAxis* x = plot->chart()->axes(Qt::Horizontal).first();
      QCOMPARE(x->type() == QAbstractAxis::AxisTypeLogValue, row.logarithmic);
      QCOMPARE(x->titleText(), QString::fromUtf8(row.axis));
      for (QAbstractAxis* axis : plot->chart()->axes()) QVERIFY(axis->labelsVisible());
    }
    QVERIFY(dialog.findChild<QChartView*>(QStringLiteral("chProfile1")) == nullptr);  // TShift
    const QString help = Control<QLabel>(dialog, "lbProfileHelp")->text();
    QVERIFY2(help.contains(QStringLiteral("dashed line, 103.5,")), qPrintable(help));
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
