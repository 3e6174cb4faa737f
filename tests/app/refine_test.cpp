// The Fit menu on the real window: a refinement of the default case with its result line, fields,
// error chart and report; the stop by a second trigger and the state of the controls while it
// runs; no refinement while another operation runs; a refusal and a nested Apply.
#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
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

  TFitReportDialog* OpenReport() {
    report_->trigger();
    auto* dialog = window_->findChild<TFitReportDialog*>();
    if (dialog != nullptr && !QTest::qWaitForWindowExposed(dialog)) return nullptr;
    return dialog;
  }

  static QString Cell(const QTableWidget* table, int row, int column) {
    return table->item(row, column)->text();
  }

  // At its default size nothing of the report is cut off: no scroll bar, every column of a
  // table within its view, every sentence as tall as its wrapped lines.
  static void ExpectReadable(TFitReportDialog& dialog) {
    for (const QScrollBar* bar : dialog.findChildren<QScrollBar*>()) {
      QVERIFY2(!bar->isVisible(), qPrintable(bar->parent()->objectName()));
    }
    for (const QTableWidget* table : dialog.findChildren<QTableWidget*>()) {
      if (!table->isVisible()) continue;  // on a page not shown, never laid out
      QVERIFY2(table->horizontalHeader()->length() <= table->viewport()->width(),
               qPrintable(table->objectName()));
      // Columns of numbers show them whole; words may wrap, and then their row grows.
      const QAbstractItemView* view = table;
      for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeader()->sectionResizeMode(c) == QHeaderView::Stretch) continue;
        QVERIFY2(table->columnWidth(c) >= view->sizeHintForColumn(c),
                 qPrintable(table->objectName() + QString::number(c)));
      }
      for (int r = 0; r < table->rowCount(); ++r) {
        QVERIFY2(table->rowHeight(r) >= view->sizeHintForRow(r),
                 qPrintable(table->objectName() + QString::number(r)));
      }
      QVERIFY2(table->verticalHeader()->length() <= table->viewport()->height(),
               qPrintable(table->objectName()));
    }
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      if (!label->isVisible() || !label->wordWrap()) continue;
      QVERIFY2(label->height() >= label->heightForWidth(label->width()),
               qPrintable(label->objectName()));
      QVERIFY2(label->geometry().right() < label->parentWidget()->width(),
               qPrintable(label->objectName()));
    }
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
    TFitReportDialog* dialog = OpenReport();
    QVERIFY(dialog != nullptr);
    ExpectReadable(*dialog);
    auto* table = Control<QTableWidget>(*dialog, "tbParameters");
    QCOMPARE(table->rowCount(), 5);
    const QStringList names{QStringLiteral("BFluo (a.u.)"), QStringLiteral("TShift (s)"),
                            QStringLiteral("Knuc (µM⁻²s⁻¹)"), QStringLiteral("Kon (µM⁻¹s⁻¹)"),
                            QStringLiteral("Koff (s⁻¹)")};
    for (int r = 0; r < 5; ++r) QCOMPARE(table->item(r, 0)->text(), names[r]);
    // BFluo near 50 plainly, Knuc near 5E-9 in exponent style; errors with their sign.
    QVERIFY2(!Cell(table, 0, 1).contains(u'E'), qPrintable(Cell(table, 0, 1)));
    QVERIFY2(Cell(table, 2, 1).contains(QStringLiteral("E-9")), qPrintable(Cell(table, 2, 1)));
    QVERIFY(Cell(table, 0, 2).startsWith(QStringLiteral("± ")));
    QCOMPARE(Cell(table, 0, 4), QStringLiteral("refined"));
    QCOMPARE(Cell(table, 3, 4), QStringLiteral("on its upper bound"));  // Kon at 20
    // The matrix once, as a table; the sentences in words that wrap.
    QCOMPARE(dialog->findChildren<QTableWidget*>(QStringLiteral("tbCorrelation")).size(), 1);
    QCOMPARE(Control<QTableWidget>(*dialog, "tbCorrelation")->rowCount(), 3);  // Kon has no error
    QVERIFY(Control<QLabel>(*dialog, "lbStarts")
                ->text()
                .contains(QStringLiteral("starts of the search")));
    QVERIFY(Control<QLabel>(*dialog, "lbRuns")->text().contains(QStringLiteral("random scatter")));
    // The time step's share, in the window as in the copied text.
    const QString dataNotes = Control<QLabel>(*dialog, "lbDataNotes")->text();
    QVERIFY2(
        dataNotes.contains(QStringLiteral("Halving the time step (to 0.05 s) moves the error")),
        qPrintable(dataNotes));
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      dialog->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/fit_report.png"));
    }
    // The residuals against time, beside the verdict.
    auto* plot = Control<QChartView>(*dialog, "chResiduals");
    const auto* residuals = static_cast<QLineSeries*>(plot->chart()->series().first());
    QCOMPARE(residuals->count(), 1201);
    for (QAbstractAxis* axis : plot->chart()->axes()) QVERIFY(axis->labelsVisible());

    // Copy: the same report as tab-separated text, a row per parameter, no "+-", one matrix.
    QTest::mouseClick(Control<QPushButton>(*dialog, "btCopyReport"), Qt::LeftButton);
    const QString text = QGuiApplication::clipboard()->text();
    QCOMPARE(text, dialog->Text());
    const QStringList copied = text.split(u'\n');
    QCOMPARE(copied[0], QStringLiteral("Parameter\tValue\tStandard error\t95 % interval\tStatus"));
    for (int r = 0; r < 5; ++r) {
      QStringList cells;
      for (int c = 0; c < 5; ++c) cells << Cell(table, r, c);
      QCOMPARE(copied[r + 1], cells.join(u'\t'));
    }
    QVERIFY(!text.contains(QStringLiteral("+-")));
    QCOMPARE(text.count(QStringLiteral("Correlation")), 1);
    QVERIFY(text.contains(QStringLiteral("Points (n)\t1201")));
    QVERIFY(text.contains(QStringLiteral("Halving the time step (to 0.05 s)")));
  }

  // Koff ends near 4.29 with an interval reaching past 4.5: with the upper bound at 4.4 the
  // interval stops there and says so, on screen and in the copied text.
  void intervalCutAtABoundSaysSo() {
    SetText(*window_, "edKoffMax", QStringLiteral("4.4"));
    refine_->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    TFitReportDialog* dialog = OpenReport();
    const QString interval = Cell(Control<QTableWidget>(*dialog, "tbParameters"), 4, 3);
    QVERIFY2(interval.endsWith(QStringLiteral(" to 4.4 (cut at the upper bound)")),
             qPrintable(interval));
    QVERIFY(dialog->Text().contains(QStringLiteral("\t") + interval + QStringLiteral("\t")));
    ExpectReadable(*dialog);
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
