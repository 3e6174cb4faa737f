// Apply, Calculate, the fit check boxes and the clear buttons, clicked on the real window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "core/numtext.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class ApplyTest : public WindowTest {
  Q_OBJECT

 private slots:
  // A case small enough to work out by hand. Times 0, 1, 2; readings 0, 1, 4; BFluo 0,
  // TShift 0, Knuc 1, Kon 0, Koff 0, G-actin 1, dt 1.
  // Point 0 takes the initial state: F = 0.
  // Step 1 (G 1, F 0, N 0): e = 0 + 1 * 1 = 1; F += 3 * 1 = 3; G = 1 - 3 = -2; N += 1 = 1.
  // Step 2 (G clamped to 0, F 3, N 1): every term is 0, F stays 3.
  // Scaled onto the largest reading 4: 0, 4, 4; residuals 0, 3, 0; mean square 9 / 3 = 3.
  void calculatesAHandWorkedCase_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Apply") << "btApply";
    QTest::newRow("Calculate") << "btCalculate";
  }
  void calculatesAHandWorkedCase() {
    QFETCH(QString, button);
    SetText(*window_, "mTime", QStringLiteral("0\n1\n2"));
    SetText(*window_, "mData", QStringLiteral("0\n1\n4"));
    const std::pair<const char*, const char*> fields[] = {
        {"edBFluo", "0"}, {"edTShift", "0"}, {"edKnuc", "1"}, {"edKon", "0"},
        {"edKoff", "0"},  {"edAG", "1"},     {"edTStep", "1"}};
    for (const auto& [name, text] : fields) SetText(*window_, name, QString::fromLatin1(text));

    Click(Control<QToolButton>(*window_, button.toLatin1().constData()));

    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("3"));
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), QStringLiteral("3.000"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mModel")),
             (QStringList{"0.00000", "4.00000", "4.00000"}));
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serData"), (QList<QPointF>{{0, 0}, {1, 1}, {2, 4}}));
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serModel"),
             (QList<QPointF>{{0, 0}, {1, 4}, {2, 4}}));
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serError"),
             (QList<QPointF>{{0, 0}, {1, 3}, {2, 0}}));
    QCOMPARE(SeriesPoints(*window_, "Chart1", "Series1"), (QList<QPointF>{{0, 0}, {2, 0}}));
  }

  // Every operation reloads the panes and re-reads every field.
  void clicksReloadPanesAndFields_data() {
    QTest::addColumn<QString>("control");
    for (const char* name : {"btApply", "btCalculate", "chbBFluo", "chbTShift", "chbKnuc", "chbKon",
                             "chbKoff", "CheckBox5", "CheckBox6"}) {
      QTest::newRow(name) << name;
    }
  }
  void clicksReloadPanesAndFields() {
    QFETCH(QString, control);
    SetText(*window_, "mTime", QStringLiteral("0\n100\n200\n300\n400"));
    SetText(*window_, "mData", QStringLiteral("50\n50\n175\n440\n697\n893\n1033\n1130"));
    SetText(*window_, "edBFluo", QStringLiteral("20"));
    SetText(*window_, "edTShiftMax", QStringLiteral("150"));
    SetText(*window_, "edTStep", QStringLiteral("0.5"));

    auto* clicked = Control<QAbstractButton>(*window_, control.toLatin1().constData());
    Click(clicked);

    QVERIFY(boxes_->texts.isEmpty());
    const TModel& m = window_->model();
    QCOMPARE(m.Count, 5);
    QCOMPARE(m.Param[BFluo], 20.0);
    QCOMPARE(m.Max[TShift], 150.0);
    QCOMPARE(m.Dt, 0.5);
    for (int i = 0; i < 5; ++i) {
      const auto* box = Control<QCheckBox>(
          *window_, std::array{"chbBFluo", "chbTShift", "chbKnuc", "chbKon", "chbKoff"}[i]);
      QCOMPARE(m.Fit[i], box->isChecked());
    }
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("5"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mModel")).size(), 5);
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mModel")).first(),
             QStringLiteral("20.00000"));
    for (const char* series : {"serData", "serModel", "serError"}) {
      QCOMPARE(SeriesPoints(*window_, "Chart1", series).size(), 5);
    }
    QCOMPARE(SeriesPoints(*window_, "Chart1", "Series1"), (QList<QPointF>{{0, 0}, {400, 0}}));
  }

  void fitCheckBoxMarkReachesTheRecordAtOnce() {
    auto* knuc = Control<QCheckBox>(*window_, "chbKnuc");
    Click(knuc);
    QVERIFY(!knuc->isChecked());
    QCOMPARE(window_->model().Fit, (std::array<bool, 5>{true, true, false, true, true}));
    Click(knuc);
    QCOMPARE(window_->model().Fit[Knuc], true);
  }

  // A field that is no number stops Apply there: the data are loaded, the fields before it
  // copied, the later ones as a new record has them, and the old evaluation stays on display.
  void fieldThatIsNoNumberStopsApply() {
    const QString oldError = Control<QLabel>(*window_, "lbSSE")->text();
    const QString oldModel = Control<QPlainTextEdit>(*window_, "mModel")->toPlainText();
    SetText(*window_, "mTime", QStringLiteral("0\n1\n2\n3\n4"));
    auto* knuc = Control<QLineEdit>(*window_, "edKnuc");
    knuc->clear();
    QTest::keyClicks(knuc, QStringLiteral("abc"));
    SetText(*window_, "edBFluo", QStringLiteral("12"));

    Click(Control<QToolButton>(*window_, "btApply"));

    QCOMPARE(boxes_->texts,
             QStringList{QStringLiteral("'ABC' is not a valid floating point value.")});
    QCOMPARE(boxes_->captions, QStringList{ApplicationTitle()});
    const TModel& m = window_->model();
    QCOMPARE(m.Count, 5);
    QCOMPARE(m.Param[BFluo], 12.0);
    QCOMPARE(m.Max[TShift], 200.0);
    QCOMPARE(m.Param[Knuc], 0.0);
    QCOMPARE(m.Min[Knuc], 0.0);
    QCOMPARE(m.Dt, 0.01);
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("5"));
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serData").size(), 5);
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), oldError);
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mModel")->toPlainText(), oldModel);
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serModel").size(), 1201);
  }

  // The message names no field: the window shows which one it means, focused and selected on
  // its page, whichever page the click came from.
  void fieldThatIsNoNumberIsFocusedOnItsPage_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pageBefore");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("pageAfter");
    QTest::newRow("rate, Apply from the Data page") << "edKon"
                                                    << "TEN" << 1 << "btApply" << 0;
    QTest::newRow("count, FIT from the Results page") << "edNItr"
                                                      << "X" << 3 << "btFit" << 0;
    QTest::newRow("grid, on its own page") << "edNP1"
                                           << "X" << 4 << "Button1" << 4;
  }
  void fieldThatIsNoNumberIsFocusedOnItsPage() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, pageBefore);
    QFETCH(QString, button);
    QFETCH(int, pageAfter);
    auto* edit = Control<QLineEdit>(*window_, field.toLatin1().constData());
    edit->setText(text);
    auto* pages = Control<QTabWidget>(*window_, "PageControl1");
    pages->setCurrentIndex(pageBefore);

    Click(Control<QAbstractButton>(*window_, button.toLatin1().constData()));

    QCOMPARE(boxes_->texts.size(), 1);
    QVERIFY(boxes_->texts[0].startsWith("'" + text + "' is not a valid"));
    QCOMPARE(pages->currentIndex(), pageAfter);
    QCOMPARE(window_->focusWidget(), edit);
    QCOMPARE(edit->selectedText(), text);
  }

  void emptyTimeColumnFailsTheEvaluation() {
    const QString oldModel = Control<QPlainTextEdit>(*window_, "mModel")->toPlainText();
    Click(Control<QPushButton>(*window_, "btClearTime"));
    Click(Control<QToolButton>(*window_, "btApply"));

    QCOMPARE(boxes_->texts, QStringList{QStringLiteral("Invalid floating point operation.")});
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("0"));
    QCOMPARE(window_->model().Count, 0);
    QCOMPARE(window_->model().Param[Koff], 1.0);  // the fields were read before the failure
    QVERIFY(SeriesPoints(*window_, "Chart1", "serData").isEmpty());
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mModel")->toPlainText(), oldModel);
    QCOMPARE(SeriesPoints(*window_, "Chart1", "Series1").size(), 2);
  }

  // A reading beyond the range of a real ends Apply before the record is replaced.
  void overflowingReadingLeavesTheRecord() {
    SetText(*window_, "mTime", QStringLiteral("0\n100\n200\n300\n400"));
    Click(Control<QToolButton>(*window_, "btApply"));
    const TModel* before = &window_->model();
    QStringList data = Lines(Control<QPlainTextEdit>(*window_, "mData"));
    data[3] = QStringLiteral("1E400");
    data[1] = QStringLiteral(" 50 ");
    SetText(*window_, "mData", data.join(u'\n'));

    Click(Control<QToolButton>(*window_, "btApply"));

    QCOMPARE(boxes_->texts, QStringList{QStringLiteral("Floating point overflow.")});
    QCOMPARE(&window_->model(), before);
    QCOMPARE(window_->model().Count, 5);
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("5"));
    QVERIFY(SeriesPoints(*window_, "Chart1", "serData").isEmpty());
    // The lines cleaned before the failing one stay cleaned; it and all after it stay as they
    // were, also when no line before it was deleted.
    data[1] = QStringLiteral("50");
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mData")), data);
  }

  // A negative dissociation rate: first the square root's own notice, then the error.
  void negativeKoffShowsTheSquareRootNoticeFirst() {
    SetText(*window_, "edKoff", QStringLiteral("-1"));
    Click(Control<QToolButton>(*window_, "btCalculate"));
    QCOMPARE(boxes_->texts,
             (QStringList{"sqrt: DOMAIN error", "Invalid floating point operation."}));
    QCOMPARE(boxes_->captions, (QStringList{ProgramFileName(), ApplicationTitle()}));
    // The window goes on: the next Apply with a valid rate works.
    SetText(*window_, "edKoff", QStringLiteral("1"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QCOMPARE(boxes_->texts.size(), 2);
  }

  // Each clear button empties its own pane and nothing else.
  void clearButtonsEmptyOnlyTheirPane_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("pane");
    QTest::newRow("time") << "btClearTime"
                          << "mTime";
    QTest::newRow("readings") << "btClearExp"
                              << "mData";
    QTest::newRow("model") << "btClearMod"
                           << "mModel";
    QTest::newRow("results") << "btClear"
                             << "mResults";
  }
  void clearButtonsEmptyOnlyTheirPane() {
    QFETCH(QString, button);
    QFETCH(QString, pane);
    SetText(*window_, "mResults", QStringLiteral("a result\nanother"));
    const QStringList panes = {"mTime", "mData", "mModel", "mResults"};
    QMap<QString, QString> before;
    for (const QString& name : panes) {
      before[name] = Control<QPlainTextEdit>(*window_, name.toLatin1().constData())->toPlainText();
    }
    const QString error = Control<QLabel>(*window_, "lbSSE")->text();

    Click(Control<QAbstractButton>(*window_, button.toLatin1().constData()));

    for (const QString& name : panes) {
      const QString now =
          Control<QPlainTextEdit>(*window_, name.toLatin1().constData())->toPlainText();
      QCOMPARE(now, name == pane ? QString() : before[name]);
    }
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), error);
    QCOMPARE(window_->model().Count, 1201);
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serModel").size(), 1201);
    QVERIFY(boxes_->texts.isEmpty());
  }

  void applyRefillsAClearedModelColumn() {
    Click(Control<QPushButton>(*window_, "btClearMod"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mModel")).size(), 1201);
  }

  // A time step that would hold the window for hours is refused as a field that is no number
  // is: the data are loaded, the record keeps the step it was created with, nothing is
  // evaluated and the old evaluation stays on display.
  void tinyTimeStepIsRefusedBeforeTheEvaluation() {
    const QString oldError = Control<QLabel>(*window_, "lbSSE")->text();
    const QString oldModel = Control<QPlainTextEdit>(*window_, "mModel")->toPlainText();
    const QList<QPointF> oldCurve = SeriesPoints(*window_, "Chart1", "serModel");
    const QString time = Control<QPlainTextEdit>(*window_, "mTime")->toPlainText();
    SetText(*window_, "edTStep", QStringLiteral("1E-7"));

    Click(Control<QToolButton>(*window_, "btApply"));

    QCOMPARE(boxes_->texts,
             QStringList{QStringLiteral(
                 "Time step 1E-7: one evaluation would take 11000000000 steps from TShift 100 to "
                 "the last time 1200, more than the 1000000000 allowed.")});
    QCOMPARE(Control<QLineEdit>(*window_, "edTStep")->text(), QStringLiteral("1E-7"));
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mTime")->toPlainText(), time);
    const TModel& m = window_->model();
    QCOMPARE(m.Count, 1201);
    QCOMPARE(m.Dt, 0.01);
    QCOMPARE(m.Param[TShift], 100.0);
    QCOMPARE(m.Init[0], 6.0);
    QCOMPARE(Control<QLabel>(*window_, "lbNData")->text(), QStringLiteral("1201"));
    QCOMPARE(Control<QLabel>(*window_, "lbSSE")->text(), oldError);
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mModel")->toPlainText(), oldModel);
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serModel"), oldCurve);

    // With the shift past the last time no step is taken: the evaluation's own error stays.
    SetText(*window_, "edTShift", QStringLiteral("1200"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QCOMPARE(boxes_->texts.size(), 2);
    QCOMPARE(boxes_->texts.last(), QStringLiteral("Invalid floating point operation."));
  }

  // Bounds are taken as typed: no check of order, range or sign.
  void boundsAndStepAreNotChecked() {
    SetText(*window_, "edBFluoMin", QStringLiteral("500"));
    SetText(*window_, "edBFluoMax", QStringLiteral("-5"));
    SetText(*window_, "edKon", QStringLiteral("40"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(window_->model().Min[BFluo], 500.0);
    QCOMPARE(window_->model().Max[BFluo], -5.0);
    QCOMPARE(window_->model().Param[Kon], 40.0);
  }

  // Pasted data: blanks, tabs, a header, either decimal mark, a time that goes back.
  void pastedColumnsAreCleanedAndLoaded() {
    SetText(*window_, "mTime", QStringLiteral("Time [s]\r\n0\r\n5\r\n3,0\r\n 7 \r\n"));
    SetText(*window_, "mData", QStringLiteral("1\t\n2,5\n3.5\n4e1\n"));
    SetText(*window_, "edTShift", QStringLiteral("0"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mTime")),
             (QStringList{"0", "5", "3.0", "7"}));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mData")),
             (QStringList{"1", "2.5", "3.5", "4e1"}));
    QCOMPARE(SeriesPoints(*window_, "Chart1", "serData"),
             (QList<QPointF>{{0, 1}, {5, 2.5}, {5, 3.5}, {7, 40}}));
  }

  // A no-break space is no blank: "1 234,5" written with one is no number and goes. A line
  // separator breaks the line as the user sees it.
  void noBreakSpaceIsNoBlankAndALineSeparatorBreaksTheLine() {
    SetText(*window_, "mTime", QStringLiteral("0\n1\n2\n3\n4"));
    SetText(*window_, "mData", QString::fromUtf8("10\n1\u00A0234,5\n20\u202830\n40"));
    SetText(*window_, "edTShift", QStringLiteral("0"));
    Click(Control<QToolButton>(*window_, "btApply"));
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mData")),
             (QStringList{"10", "20", "30", "40"}));
    QCOMPARE(window_->model().Count, 4);
    QCOMPARE(window_->model().Data, (std::vector<double>{10, 20, 30, 40}));
  }

  void exitClosesTheWindow() {
    Click(Control<QToolButton>(*window_, "btExit"));
    QVERIFY(!window_->isVisible());
    QVERIFY(boxes_->texts.isEmpty());
  }
};

QTEST_MAIN(ApplyTest)
#include "apply_test.moc"
