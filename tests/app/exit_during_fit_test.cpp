// Exit clicked, or the window closed, while a fit runs, inside the program's own event loop: the
// window stays on screen while the fit runs to its end and logs its line, then the loop ends. In a program of its own, since the loop ends for good.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class ExitDuringFitTest : public QObject {
  Q_OBJECT

 private slots:
  void fitFinishesThenTheLoopEnds_data() {
    QTest::addColumn<bool>("closeControl");
    QTest::newRow("Exit button") << false;
    QTest::newRow("window's close control") << true;
  }
  void fitFinishesThenTheLoopEnds() {
    QFETCH(bool, closeControl);
    ErrorBoxes boxes;
    auto window = StartedWindow();
    SetText(*window, "edNItr", QStringLiteral("3"));
    SetText(*window, "edNShow", QStringLiteral("1"));

    // The loop runs the Fit click; the exit request comes at its first report, and the window
    // is still on screen at the next one.
    bool visibleAfterTheRequest = false;
    QTimer::singleShot(0, [&] { Click(Control<QToolButton>(*window, "btFit")); });
    QTimer::singleShot(0, [&] {
      if (closeControl) {
        window->close();
      } else {
        Click(Control<QToolButton>(*window, "btExit"));
      }
      QTimer::singleShot(0, [&] { visibleAfterTheRequest = window->isVisible(); });
    });
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, [&] {
      timedOut = true;
      QApplication::exit(1);
    });
    limit.start(60000);
    const int code = QApplication::exec();

    QVERIFY(!timedOut);
    QCOMPARE(code, 0);
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(visibleAfterTheRequest);
    QVERIFY(!window->isVisible());
    QCOMPARE(Control<QLabel>(*window, "lbItr")->text(), QStringLiteral("3"));
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window, "mResults")).size(), 1);
  }
};

QTEST_MAIN(ExitDuringFitTest)
#include "exit_during_fit_test.moc"
