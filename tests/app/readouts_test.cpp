// The readouts in the window: the fit report's Readouts page on a logistic trace whose answers
// are known, Cc and k+ typed there (valid and not), and the readouts in the saved results.
#include "core/readouts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cmath>

#include "app/dialogs/fit_report_dialog.h"
#include "app/dialogs/readouts_page.h"
#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

// B + A / (1 + exp(-(t - t0) / tau)) with B 50, A 1000, t0 400 s, tau 50 s at 0..1200 s:
// t1/2 = 400 s, largest slope A / 4 tau = 5 /s, lag t0 - 2 tau = 300 s.
TReadoutTrace LogisticTrace(double gActin) {
  TReadoutTrace trace;
  for (int i = 0; i <= 1200; ++i) {
    trace.time.push_back(i);
    trace.data.push_back(50 + 1000 / (1 + std::exp(-(i - 400.0) / 50)));
  }
  trace.gActin = gActin;
  return trace;
}

double CellNumber(const QTableWidget* table, const char* name) {
  for (int r = 0; r < table->rowCount(); ++r) {
    if (table->item(r, 0)->text().startsWith(QString::fromUtf8(name))) {
      return ParseReal(table->item(r, 1)->text().toStdString());
    }
  }
  qFatal("no row %s", name);
}

void Retype(QLineEdit* field, const QString& text) {
  field->selectAll();
  QTest::keyClicks(field, text);
}

}  // namespace

class ReadoutsTest : public WindowTest {
  Q_OBJECT

 private slots:
  void pageShowsTheClosedFormsAndFollowsTheConstants() {
    TReadoutsPage page(LogisticTrace(4), nullptr);
    page.resize(560, 420);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto* table = Control<QTableWidget>(page, "tbReadouts");
    // The ends are medians of the tails, which a logistic never quite leaves: within 1 % of tau.
    QVERIFY(std::fabs(CellNumber(table, "t½") - 400) < 0.5);
    // A line over the window lies below the top slope by h^2 / 20 tau^2 (0.25 % here).
    QVERIFY(std::fabs(CellNumber(table, "Largest slope") - 5) < 0.02);
    QVERIFY(std::fabs(CellNumber(table, "Lag time") - 300) < 1);
    // Ends at t1/2: (G - Cc) / 4 tau uM/s over k+ (G - Cc) / 2, so 1000 x 2 / (4 tau k+) nM.
    const double ends = CellNumber(table, "Barbed ends");
    QVERIFY2(std::fabs(ends - 500 / (50 * 11.6)) < 0.002, qPrintable(QString::number(ends)));
    page.grab().save(QDir::temp().filePath(QStringLiteral("actinfit_readouts_page.png")));

    // Half the k+, twice the ends; the change is announced for the saved results.
    QSignalSpy changed(&page, &TReadoutsPage::ConstantsChanged);
    Retype(Control<QLineEdit>(page, "edReadoutKplus"), QStringLiteral("5.8"));
    QVERIFY(!changed.isEmpty());
    QCOMPARE(page.Constants().KPlus, 5.8);
    QVERIFY(std::fabs(CellNumber(table, "Barbed ends") - 2 * ends) < 0.002);
    QVERIFY(page.Text().contains(QStringLiteral("k+ 5.8 µM⁻¹s⁻¹")));

    // Text that is no number, or a Cc below 0: a word on the page, and the table as the last
    // valid constants (a prefix typed on the way, such as "1.2") give it.
    struct Typed {
      const char* field;
      const char* text;
      const char* says;
    };
    for (const Typed typed : {Typed{"edReadoutKplus", "1.2.3", "must be numbers"},
                              Typed{"edReadoutKplus", "0", "k+ above 0"},
                              Typed{"edReadoutCc", "-1", "Cc must be 0 or above"}}) {
      Retype(Control<QLineEdit>(page, typed.field), QString::fromLatin1(typed.text));
      QVERIFY2(Control<QLabel>(page, "lbReadoutMessage")->text().contains(typed.says), typed.text);
      QCOMPARE(page.Constants().Cc, 0.1);
      const double now = 500 / (50 * page.Constants().KPlus);
      QVERIFY(std::fabs(CellNumber(table, "Barbed ends") - now) < 0.002 * now / 0.862);
    }
    QVERIFY(boxes_->texts.isEmpty());
  }

  void flatTraceSaysWhy() {
    TReadoutTrace trace = LogisticTrace(4);
    for (double& reading : trace.data) reading = 50;
    TReadoutsPage page(trace, nullptr);
    auto* table = Control<QTableWidget>(page, "tbReadouts");
    for (int r = 0; r < table->rowCount(); ++r) QCOMPARE(table->item(r, 1)->text(), "-");
    QVERIFY(Control<QLabel>(page, "lbReadoutMessage")->text().contains("does not rise"));
  }

  void reportAndSavedResultsCarryTheReadouts() {
    Control<QAction>(*window_, "acRefine")->trigger();
    QVERIFY2(boxes_->texts.isEmpty(), qPrintable(boxes_->texts.join('\n')));
    Control<QAction>(*window_, "acFitReport")->trigger();
    auto* dialog = window_->findChild<TFitReportDialog*>();
    QVERIFY(dialog != nullptr && dialog->Readouts() != nullptr);
    auto* pages = Control<QTabWidget>(*dialog, "tabFitReport");
    pages->setCurrentWidget(dialog->Readouts());
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    dialog->grab().save(QDir::temp().filePath(QStringLiteral("actinfit_fit_report_readouts.png")));
    // The page reads the window's trace; the saved results carry the same numbers.
    const TModel& m = window_->model();
    const TReadouts expected = TraceReadouts(m.Time, m.Data);
    QVERIFY(expected.Ok);
    Retype(Control<QLineEdit>(*dialog, "edReadoutKplus"), QStringLiteral("10"));
    QVERIFY(dialog->Text().contains(QStringLiteral("\nReadouts\n")));
    const QString path = QDir::temp().filePath(QStringLiteral("actinfit_readouts_results.tsv"));
    window_->SaveResults(path);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    QVERIFY2(text.contains(QString::fromStdString("# readout t½ (s)\t" +
                                                  ShortestReal(expected.THalf) + "\t")),
             qPrintable(text.left(800)));
    QVERIFY(text.contains(QStringLiteral("# readout k+ (µM⁻¹s⁻¹)\t10\n")));
  }
};

QTEST_MAIN(ReadoutsTest)
#include "readouts_test.moc"
