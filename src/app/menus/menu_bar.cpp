#include "app/menus/menu_bar.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "app/layout/fonts.h"

namespace actinfit {

namespace {

QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                   const QKeySequence& shortcut = QKeySequence()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  return action;
}

QMenu* AddMenu(QMainWindow& window, const char* name, const QString& title) {
  QMenu* menu = window.menuBar()->addMenu(title);
  menu->setObjectName(QString::fromLatin1(name));
  return menu;
}

}  // namespace

Menus BuildMenus(QMainWindow& window) {
  QMenuBar* bar = window.menuBar();
  bar->setObjectName(QStringLiteral("MainMenu"));
  bar->setFont(WindowFont());
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  bar->setFixedHeight(kMenuBarHeight);

  Menus menus{};
  menus.file = BuildFileMenu(window);
  menus.edit = BuildEditMenu(window);
  menus.fit = BuildFitMenu(window);
  menus.help = BuildHelpMenu(window);

  window.resize(window.width(), window.height() + kMenuBarHeight);
  return menus;
}

FileMenu BuildFileMenu(QMainWindow& window) {
  FileMenu file{};
  file.menu = AddMenu(window, "mnFile", QStringLiteral("&File"));
  file.acOpenData =
      AddAction(file.menu, "acOpenData", QStringLiteral("Open data..."), QKeySequence::Open);
  file.acOpenAnalysis = AddAction(file.menu, "acOpenAnalysis", QStringLiteral("Open analysis..."));
  file.acSaveAnalysis = AddAction(file.menu, "acSaveAnalysis", QStringLiteral("Save analysis..."));
  file.menu->addSeparator();
  file.acSaveResults =
      AddAction(file.menu, "acSaveResults", QStringLiteral("Save results..."), QKeySequence::Save);
  file.acSaveCurve = AddAction(file.menu, "acSaveCurve", QStringLiteral("Save curve..."));
  file.acSaveSensitivity =
      AddAction(file.menu, "acSaveSensitivity", QStringLiteral("Save sensitivity table..."));
  file.acExportChart = AddAction(file.menu, "acExportChart", QStringLiteral("Export chart..."));
  file.acExportFigure = AddAction(file.menu, "acExportFigure", QStringLiteral("Export figure..."));
  file.menu->addSeparator();
  file.acExit = AddAction(file.menu, "acExit", QStringLiteral("Exit"), QKeySequence::Quit);
  return file;
}

EditMenu BuildEditMenu(QMainWindow& window) {
  EditMenu edit{};
  edit.menu = AddMenu(window, "mnEdit", QStringLiteral("&Edit"));
  edit.acPasteColumns = AddAction(edit.menu, "acPasteColumns", QStringLiteral("Paste two columns"),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
  return edit;
}

HelpMenu BuildHelpMenu(QMainWindow& window) {
  HelpMenu help{};
  help.menu = AddMenu(window, "mnHelp", QStringLiteral("&Help"));
  help.acUserGuide =
      AddAction(help.menu, "acUserGuide", QStringLiteral("User guide"), QKeySequence::HelpContents);
  help.acAbout = AddAction(help.menu, "acAbout", QStringLiteral("About actinfit"));
  return help;
}

}  // namespace actinfit
