// The menu bar above the tool bar: the ways data come in and results go out, and the program's
// description. Builds the actions only; the window connects them to its handlers.
#pragma once

#include "app/menus/fit_menu.h"

class QAction;
class QMainWindow;
class QMenu;

namespace actinfit {

// The menu bar's height in pixels, like the tool bar's drawn for 96 pixels per inch; the window
// grows by it.
inline constexpr int kMenuBarHeight = 20;

struct FileMenu {
  QMenu* menu;
  QAction* acOpenData;
  QAction* acOpenAnalysis;
  QAction* acSaveAnalysis;
  QAction* acSaveResults;
  QAction* acSaveCurve;
  QAction* acSaveSensitivity;
  QAction* acExportChart;
  QAction* acExportFigure;
  QAction* acExit;
};

struct EditMenu {
  QMenu* menu;
  QAction* acPasteColumns;
};

struct HelpMenu {
  QMenu* menu;
  QAction* acUserGuide;
  QAction* acAbout;
};

struct Menus {
  FileMenu file;
  EditMenu edit;
  FitMenu fit;
  HelpMenu help;
};

// Puts the menus into the window's menu bar, left to right, and makes the window taller by the
// bar's height, so that the tool bar, pages and charts keep their sizes and places below it.
Menus BuildMenus(QMainWindow& window);

FileMenu BuildFileMenu(QMainWindow& window);
EditMenu BuildEditMenu(QMainWindow& window);
HelpMenu BuildHelpMenu(QMainWindow& window);

}  // namespace actinfit
