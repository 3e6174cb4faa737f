// The operation guard that every long operation runs under: on a button of a window of its own
// and on a menu action, nested, ended by an error, and stopped by Esc pressed twice in the
// real window.
#include "app/support/operation_guard.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <stdexcept>

#include "app/layout/ui_parts.h"
#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

namespace {

const QColor kRed(255, 0, 0);

// A top-level window of its own, as a tool window with a Fit/Stop button is.
struct ToolWindow {
  ToolWindow()
      : fit(new QPushButton(QStringLiteral("Fit"), &window)),
        add(new QPushButton(QStringLiteral("Add"), &window)),
        remove(new QPushButton(QStringLiteral("Remove"), &window)),
        table(new QLineEdit(&window)) {
    SetTextColour(fit, Qt::darkGreen);
  }
  TOperationPlace Place() { return {operations, events}; }

  QWidget window;
  QPushButton* fit;
  QPushButton* add;
  QPushButton* remove;
  QLineEdit* table;
  TRunningOperations operations;
  TEventPoints events;
};

}  // namespace

class OperationGuardTest : public WindowTest {
  Q_OBJECT

 private slots:
  // While it runs: tag 1, the stop caption in red, the stop control on, the others off. After:
  // each control as it was before, the one disabled before still disabled, the caption and
  // colours the button had.
  void aButtonInAnotherWindowIsMarkedAndPutBack() {
    ToolWindow tool;
    tool.remove->setEnabled(false);
    tool.fit->setEnabled(false);  // off before: on while it stops the operation, off after
    const QColor before = CaptionColour(tool.fit);
    {
      const TOperationGuard running(tool.Place(), {.stop = tool.fit,
                                                   .stopCaption = QStringLiteral("Stop"),
                                                   .off = {tool.add, tool.remove, tool.table}});
      QCOMPARE(Tag(tool.fit), 1);
      QCOMPARE(tool.fit->text(), QStringLiteral("Stop"));
      QCOMPARE(CaptionColour(tool.fit), kRed);
      QVERIFY(tool.fit->isEnabled());
      QVERIFY(!tool.add->isEnabled() && !tool.remove->isEnabled() && !tool.table->isEnabled());
      QVERIFY(tool.operations.Contains(tool.fit));
      QVERIFY(!window_->OperationRunning());  // the main window's list is its own
      QVERIFY(!running.StopRequested());
      QVERIFY(TOperationGuard::AskToStop(tool.fit));
      QVERIFY(running.StopRequested());
    }
    QCOMPARE(Tag(tool.fit), 0);
    QCOMPARE(tool.fit->text(), QStringLiteral("Fit"));
    QCOMPARE(CaptionColour(tool.fit), before);
    QVERIFY(!tool.fit->isEnabled());
    QVERIFY(tool.add->isEnabled() && tool.table->isEnabled());
    QVERIFY(!tool.remove->isEnabled());
    QVERIFY(!tool.operations.Any());
    QVERIFY(!TOperationGuard::AskToStop(tool.fit));  // idle: the click starts it
  }

  // An action: its text while it runs, back after; once asked to stop it ignores triggers until
  // it ends, so a third trigger does not start it again inside itself.
  void anActionAskedToStopStaysBusyUntilItEnds() {
    ToolWindow tool;
    QAction action(QStringLiteral("Profile intervals"));
    {
      const TOperationGuard running(tool.Place(),
                                    {.stop = &action,
                                     .stopCaption = QStringLiteral("Stop profile intervals"),
                                     .off = {tool.add}});
      QCOMPARE(action.text(), QStringLiteral("Stop profile intervals"));
      QVERIFY(action.isEnabled());
      QVERIFY(TOperationGuard::AskToStop(&action));
      QVERIFY(running.StopRequested());
      QVERIFY(TOperationGuard::AskToStop(&action));
      QVERIFY(running.StopRequested());
    }
    QCOMPARE(action.text(), QStringLiteral("Profile intervals"));
    QVERIFY(!TOperationGuard::AskToStop(&action));
    QVERIFY(tool.add->isEnabled());
  }

  // Esc asks the innermost operation, once: an inner step that Esc does not reach is not on
  // the list, and a second Esc does not reach a handler that would take it for a new start.
  void escAsksTheInnermostOnce() {
    ToolWindow tool;
    const TOperationGuard outer(tool.Place(), {.stop = tool.add, .off = {tool.fit}});
    const TOperationGuard inner(tool.Place(), {.stop = tool.remove});
    const TOperationGuard step(tool.Place(), {.stop = tool.fit, .escape = false});
    QVERIFY(!tool.operations.Contains(tool.fit));
    QVERIFY(tool.fit->isEnabled());  // a stop control is on even where an outer one put it off
    tool.operations.StopInnermost();
    QVERIFY(inner.StopRequested());
    tool.operations.StopInnermost();
    QVERIFY(!outer.StopRequested());
    QVERIFY(!step.StopRequested());
  }

  // An error that ends the operation puts everything back, an inner one's controls first.
  void anErrorPutsNestedOperationsBack() {
    ToolWindow tool;
    try {
      const TOperationGuard outer(tool.Place(), {.stop = tool.fit,
                                                 .stopCaption = QStringLiteral("Stop"),
                                                 .idleCaption = QStringLiteral("Fit again"),
                                                 .off = {tool.add, tool.remove}});
      const TOperationGuard inner(tool.Place(), {.off = {tool.add, tool.table}});
      QVERIFY(!tool.table->isEnabled());
      throw std::runtime_error("Floating point overflow");
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(tool.fit->text(), QStringLiteral("Fit again"));
    QCOMPARE(CaptionColour(tool.fit), kNavy);
    QCOMPARE(Tag(tool.fit), 0);
    QVERIFY(tool.add->isEnabled() && tool.remove->isEnabled() && tool.table->isEnabled());
    QVERIFY(!tool.operations.Any());
  }

  // Esc twice at the first report of a fit in the real window: the fit ends there with one
  // result line; the second Esc starts nothing.
  void escTwiceEndsTheFitOnce() {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    auto* fit = Control<QToolButton>(*window_, "btFit");
    SetText(*window_, "edNItr", QStringLiteral("40"));
    SetText(*window_, "edNShow", QStringLiteral("2"));
    bool seen = false;
    WhenEventsRun([&] {
      seen = true;
      QTest::keyClick(Control<QLineEdit>(*window_, "edNItr"), Qt::Key_Escape);
      QTest::keyClick(Control<QLineEdit>(*window_, "edNItr"), Qt::Key_Escape);
    });
    Click(fit);
    QVERIFY(seen);
    QVERIFY(boxes_->texts.isEmpty());
    QCOMPARE(Lines(Control<QPlainTextEdit>(*window_, "mResults")).size(), 1);
    QCOMPARE(Control<QLabel>(*window_, "lbItr")->text(), QStringLiteral("2"));
    QCOMPARE(fit->text(), QStringLiteral("Fit"));
    QCOMPARE(Tag(fit), 0);
    QVERIFY(!window_->OperationRunning());
  }
};

QTEST_MAIN(OperationGuardTest)
#include "operation_guard_test.moc"
