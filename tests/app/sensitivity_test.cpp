// The sensitivity grid on the real window: the table, empty grids and refused counts.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "core/numtext.h"
#include "core/search.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

double Number(const QString& text) {
  return ParseReal(text.toStdString());
}

std::string General(double value) {
  return FormatReal(value, FloatStyle::General, 15, 0);
}

bool Near(double value, double expected) {
  return std::abs(value - expected) <= 1e-14 * std::abs(expected);
}

}  // namespace

class SensitivityTest : public WindowTest {
  Q_OBJECT

 protected:
  void Started() override { sens_ = Control<QPlainTextEdit>(*window_, "mSens"); }

 private slots:
  // Knuc from 1E-11 to 1E-6 across, Kon from 1 to 20 down, 10 points each, evenly spaced.
  void defaultGridIsALinearTable() {
    Click(Control<QPushButton>(*window_, "Button1"));

    QVERIFY(boxes_->texts.isEmpty());
    const QStringList lines = Lines(sens_);
    QCOMPARE(lines.size(), 11);
    const QStringList header = lines[0].split(u'\t');
    QCOMPARE(header.size(), 11);
    QCOMPARE(header[0], QStringLiteral("P2|P1"));
    QCOMPARE(header[1], QStringLiteral("1E-11"));
    QCOMPARE(header[10], QStringLiteral("1E-6"));
    for (int i = 0; i < 10; ++i) {
      const double p1 = (1e-6 - 1e-11) * i / 9 + 1e-11;  // about 1.111E-7 apart
      QVERIFY2(Near(Number(header[i + 1]), p1), qPrintable(header[i + 1]));
    }
    for (int j = 0; j < 10; ++j) {
      const QStringList row = lines[j + 1].split(u'\t');
      QCOMPARE(row.size(), 11);
      QVERIFY2(Near(Number(row[0]), 19.0 * j / 9 + 1), qPrintable(row[0]));
      for (int i = 1; i <= 10; ++i) QVERIFY(Number(row[i]) > 0);
    }
    QCOMPARE(lines[1].split(u'\t')[0], QStringLiteral("1"));
    QCOMPARE(lines[10].split(u'\t')[0], QStringLiteral("20"));
    // The record and the fields keep the last cell.
    QCOMPARE(window_->model().Param[Knuc], 1e-6);
    QCOMPARE(window_->model().Param[Kon], 20.0);
    QCOMPARE(Control<QLineEdit>(*window_, "edKnuc")->text(), QStringLiteral("1E-6"));
    QCOMPARE(Control<QLineEdit>(*window_, "edKon")->text(), QStringLiteral("20"));
  }

  // A grid of no points leaves its bound fields unread.
  void emptyGrids_data() {
    QTest::addColumn<QString>("countP1");
    QTest::addColumn<QString>("countP2");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("no P1") << "0"
                           << "2" << QStringList{"P2|P1", "1", "20"};
    QTest::newRow("no P2") << "2"
                           << "0" << QStringList{"P2|P1\t1E-11\t1E-6"};
    QTest::newRow("neither") << "0"
                             << "0" << QStringList{"P2|P1"};
  }
  void emptyGrids() {
    QFETCH(QString, countP1);
    QFETCH(QString, countP2);
    QFETCH(QStringList, lines);
    SetText(*window_, "edNP1", countP1);
    SetText(*window_, "edNP2", countP2);
    if (countP1 == "0") SetText(*window_, "edP1Min", QStringLiteral("ABC"));
    if (countP2 == "0") SetText(*window_, "edP2Max", QStringLiteral("ABC"));

    Click(Control<QPushButton>(*window_, "Button1"));

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(sens_), lines);
  }

  // One point or fewer than none: refused before anything is computed or written.
  void badCountsAreRefused_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("message");
    const QString p1 =
        QStringLiteral("Number of points of P1 (nucleation rate) must be 0 or at least 2.");
    const QString p2 =
        QStringLiteral("Number of points of P2 (association rate) must be 0 or at least 2.");
    QTest::newRow("P1 one") << "edNP1"
                            << "1" << p1;
    QTest::newRow("P1 negative") << "edNP1"
                                 << "-1" << p1;
    QTest::newRow("P2 one") << "edNP2"
                            << "1" << p2;
    QTest::newRow("P2 negative") << "edNP2"
                                 << "-5" << p2;
    QTest::newRow("not an integer") << "edNP2"
                                    << "2.5"
                                    << "'2.5' is not a valid integer value.";
  }
  void badCountsAreRefused() {
    QFETCH(QString, field);
    QFETCH(QString, count);
    QFETCH(QString, message);
    SetText(*window_, field.toLatin1().constData(), count);
    const auto applied = window_->model().Param;

    Click(Control<QPushButton>(*window_, "Button1"));

    QCOMPARE(boxes_->texts, QStringList{message});
    QCOMPARE(Lines(sens_), QStringList{"mSens"});
    QCOMPARE(window_->model().Param, applied);
    QCOMPARE(Control<QLineEdit>(*window_, "edKnuc")->text(), QStringLiteral("1E-8"));
  }

  // A 300 x 300 scan lets events in between cells: the button is its stop and the five
  // operation buttons are off; a click or Esc there ends it after the current cell with the
  // finished rows in the pane, the fields on the last cell and every button as before.
  void stopEndsALongScanWithTheFinishedRows_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("second click") << false;
    QTest::newRow("Esc") << true;
  }
  void stopEndsALongScanWithTheFinishedRows() {
    QFETCH(bool, escape);
    auto* test = Control<QPushButton>(*window_, "Button1");
    const QColor idleColour = CaptionColour(test);
    SetText(*window_, "edNP1", QStringLiteral("300"));
    SetText(*window_, "edNP2", QStringLiteral("300"));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      QCOMPARE(test->text(), QStringLiteral("Stop"));
      QCOMPARE(CaptionColour(test), QColor(255, 0, 0));
      QCOMPARE(Tag(test), 1);
      for (const char* off : kOperations) {
        QVERIFY2(!Control<QAbstractButton>(*window_, off)->isEnabled(), off);
      }
      StopByClickOrEscape(*window_, test, escape);
    });

    Click(test);

    QVERIFY(seen);
    QVERIFY(boxes_->texts.isEmpty());
    const QStringList lines = Lines(sens_);
    QVERIFY2(lines.size() < 301, qPrintable(QString::number(lines.size())));
    for (const QString& line : lines) QCOMPARE(line.count(u'\t'), 300);
    // The fields show the last cell evaluated, which the record holds.
    QCOMPARE(Number(Control<QLineEdit>(*window_, "edKnuc")->text()), window_->model().Param[Knuc]);
    QCOMPARE(Number(Control<QLineEdit>(*window_, "edKon")->text()), window_->model().Param[Kon]);
    ExpectIdle(idleColour);
  }

  // Apply runs inside the scan (a check box) on 600 of the 1201 points: the scan goes on with
  // the new record, and its last row is that record's errors.
  void nestedApplyReplacesTheRecordTheScanGoesOn() {
    SetText(*window_, "edNP1", QStringLiteral("100"));
    SetText(*window_, "edNP2", QStringLiteral("100"));
    const QColor idleColour = CaptionColour(Control<QPushButton>(*window_, "Button1"));
    const TModel* before = &window_->model();
    WhenEventsRun([&] {
      auto* time = Control<QPlainTextEdit>(*window_, "mTime");
      auto* data = Control<QPlainTextEdit>(*window_, "mData");
      time->setPlainText(Lines(time).mid(0, 600).join(u'\n'));
      data->setPlainText(Lines(data).mid(0, 600).join(u'\n'));
      Click(Control<QCheckBox>(*window_, "CheckBox5"));
    });

    Click(Control<QPushButton>(*window_, "Button1"));

    QVERIFY(boxes_->texts.isEmpty());
    const TModel& m = window_->model();
    QVERIFY(&m != before);
    QCOMPARE(m.Count, 600);
    const QStringList lines = Lines(sens_);
    QCOMPARE(lines.size(), 101);
    const QStringList last = lines[100].split(u'\t');
    for (const int i : {0, 57, 99}) {
      TModel cell = m;
      cell.Param[Knuc] = GridValue(1e-11, 1e-6, 100, i);
      cell.Param[Kon] = 20;
      QCOMPARE(last[i + 1].toStdString(), General(Evaluate(cell)));
    }
    ExpectIdle(idleColour);
  }

  // A failing cell (a negative nucleation rate) ends the scan with every button as before.
  void errorInTheScanRestoresTheButtons() {
    const QColor idleColour = CaptionColour(Control<QPushButton>(*window_, "Button1"));
    SetText(*window_, "edP1Min", QStringLiteral("-1E-6"));

    Click(Control<QPushButton>(*window_, "Button1"));

    QCOMPARE(boxes_->texts.size(), 1);
    QCOMPARE(Lines(sens_).size(), 1);
    ExpectIdle(idleColour);
  }

 private:
  static constexpr const char* kOperations[] = {"btApply", "btCalculate", "btFit", "btEstimate",
                                                "btSeries"};

  void ExpectIdle(const QColor& idleColour) {
    auto* test = Control<QPushButton>(*window_, "Button1");
    QCOMPARE(test->text(), QStringLiteral("Test sensitivity"));
    QCOMPARE(CaptionColour(test), idleColour);
    QCOMPARE(Tag(test), 0);
    for (const char* on : kOperations) {
      QVERIFY2(Control<QAbstractButton>(*window_, on)->isEnabled(), on);
    }
  }

  QPlainTextEdit* sens_ = nullptr;
};

QTEST_MAIN(SensitivityTest)
#include "sensitivity_test.moc"
