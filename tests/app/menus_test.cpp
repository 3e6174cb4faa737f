// The menu bar: its menus and actions by name, the layout below it, and its commands running
// through the one guard.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#include "window_fixture.h"

using namespace actinfit;
using namespace actinfit::test;

class MenusTest : public WindowTest {
  Q_OBJECT

 private slots:
  void menusHoldTheirActionsInOrder() {
    QStringList titles;
    for (const QAction* menu : window_->menuBar()->actions()) titles << menu->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "Fit", "&Help"}));

    // Exit has a standard shortcut only where the platform defines one.
    const QString quit = QKeySequence(QKeySequence::Quit).toString(QKeySequence::PortableText);
    const QString help =
        QKeySequence(QKeySequence::HelpContents).toString(QKeySequence::PortableText);
    const struct {
      const char* menu;
      QStringList actions;  // caption, objectName, shortcut
    } expected[] = {
        {"mnFile",
         {"Open data...",
          "acOpenData",
          "Ctrl+O",
          "Open analysis...",
          "acOpenAnalysis",
          "",
          "Save analysis...",
          "acSaveAnalysis",
          "",
          "Save results...",
          "acSaveResults",
          "Ctrl+S",
          "Save curve...",
          "acSaveCurve",
          "",
          "Save sensitivity table...",
          "acSaveSensitivity",
          "",
          "Export chart...",
          "acExportChart",
          "",
          "Export figure...",
          "acExportFigure",
          "",
          "Exit",
          "acExit",
          quit}},
        {"mnEdit", {"Paste two columns", "acPasteColumns", "Ctrl+Shift+V"}},
        {"mnFit",
         {"Refine (least squares)", "acRefine", "Ctrl+R", "Profile intervals", "acProfile", "",
          "Fit report...", "acFitReport", "", "Fit a dilution series...", "acFitSeries", ""}},
        {"mnHelp", {"User guide", "acUserGuide", help, "About actinfit", "acAbout", ""}},
    };
    for (const auto& menu : expected) {
      QStringList actual;
      for (const QAction* action : Control<QMenu>(*window_, menu.menu)->actions()) {
        if (action->isSeparator()) continue;
        actual << action->text() << action->objectName()
               << action->shortcut().toString(QKeySequence::PortableText);
      }
      QCOMPARE(actual, menu.actions);
    }
  }

  // The guide opens in a window of its own and speaks of every menu item: a command added
  // without a word in the guide fails here.
  void userGuideNamesEveryMenuItem() {
    Control<QAction>(*window_, "acUserGuide")->trigger();
    auto* browser = Control<QTextBrowser>(*window_, "tbUserGuide");
    QVERIFY(browser->window()->isVisible());
    QVERIFY(browser->window() != window_.get());
    const QString guide = browser->toPlainText();
    for (const QAction* menu : window_->menuBar()->actions()) {
      for (const QAction* action : menu->menu()->actions()) {
        if (action->isSeparator()) continue;
        QString caption = action->text().remove('&');
        if (caption.endsWith("...")) caption.chop(3);
        QVERIFY2(guide.contains(caption), qPrintable("the guide misses " + caption));
      }
    }
    for (const char* word : {"standard error", "profile interval", "runs test", "--method"}) {
      QVERIFY2(guide.contains(QLatin1String(word), Qt::CaseInsensitive), word);
    }
    QVERIFY(guide.contains(QStringLiteral("dF/dt")));
    if (const QByteArray shots = qgetenv("ACTINFIT_SCREENSHOTS"); !shots.isEmpty()) {
      browser->window()->grab().save(QString::fromLocal8Bit(shots) + "/user_guide.png");
    }
  }

  // The tool bar, pages and charts keep their sizes below the menu bar; the window grows.
  void layoutSitsBelowTheMenuBar() {
    QCOMPARE(window_->menuBar()->geometry(), QRect(0, 0, 839, 20));
    QCOMPARE(Control<QToolBar>(*window_, "ToolBar9")->geometry(), QRect(0, 20, 839, 33));
    QCOMPARE(window_->centralWidget()->geometry(), QRect(0, 53, 839, 388));
    QCOMPARE(window_->size(), QSize(839, 441));
  }

  // A command's error is shown by the guard, and leaves the panes as they were.
  void menuCommandErrorsReachTheErrorBox() {
    const QString time = Control<QPlainTextEdit>(*window_, "mTime")->toPlainText();
    QApplication::clipboard()->setText(QStringLiteral("one column only"));
    Control<QAction>(*window_, "acPasteColumns")->trigger();
    QCOMPARE(boxes_->texts,
             QStringList{QStringLiteral("The clipboard holds no two columns: copy two columns of a "
                                        "spreadsheet.")});
    QCOMPARE(Control<QPlainTextEdit>(*window_, "mTime")->toPlainText(), time);
  }

  void exitCommandClosesTheWindow() {
    Control<QAction>(*window_, "acExit")->trigger();
    QVERIFY(!window_->isVisible());
  }
};

QTEST_MAIN(MenusTest)
#include "menus_test.moc"
