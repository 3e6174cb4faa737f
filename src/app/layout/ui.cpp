#include "app/layout/ui.h"

#include <QApplication>
#include <QChart>
#include <QFrame>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/charts/chart_view.h"
#include "app/layout/fonts.h"
#include "app/layout/glyphs.h"
#include "app/layout/ui_parts.h"

namespace actinfit {

namespace {

void AddGap(QToolBar* bar, int width) {
  auto* gap = new QWidget(bar);
  gap->setFixedSize(width, 24);
  bar->addWidget(gap);
}

void AddDivider(QToolBar* bar, int width) {
  auto* holder = new QWidget(bar);
  holder->setFixedSize(width, 24);
  auto* line = new QFrame(holder);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(width / 2 - 1, 1, 2, 22);
  bar->addWidget(holder);
}

enum class GlyphSide { None, Left, Right, Only };

QToolButton* AddButton(QToolBar* bar, const char* name, int width, const char* caption,
                       const char* hint, const QColor& colour, const QIcon& glyph,
                       const QSize& glyphSize, GlyphSide side) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(QString::fromLatin1(caption));
  button->setToolTip(QString::fromLatin1(hint));
  button->setFixedSize(width, 24);
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoRaise(true);
  button->setFont(WindowFont(true));
  button->setProperty("tag", 0);
  SetTextColour(button, colour);
  switch (side) {
    case GlyphSide::None:
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
      break;
    case GlyphSide::Only:
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
      break;
    case GlyphSide::Left:
    case GlyphSide::Right:
      button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      // Drawn mirrored, the glyph comes after the caption.
      if (side == GlyphSide::Right) button->setLayoutDirection(Qt::RightToLeft);
      break;
  }
  if (side != GlyphSide::None) {
    button->setIcon(glyph);
    button->setIconSize(glyphSize);
  }
  bar->addWidget(button);
  return button;
}

void BuildToolBar(QMainWindow& window, Ui& ui) {
  auto* bar = new QToolBar(&window);
  bar->setObjectName(QStringLiteral("ToolBar9"));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setFixedHeight(33);
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  bar->setStyleSheet(QStringLiteral(
      "QToolBar { border: 1px solid palette(mid); spacing: 0px; padding: 3px 0px; }"));
  window.addToolBar(Qt::TopToolBarArea, bar);
  ui.ToolBar9 = bar;

  const QColor black(Qt::black);
  AddGap(bar, 4);
  ui.btApply = AddButton(bar, "btApply", 71, "Apply", "Clear console", black, Glyph("apply"),
                         QSize(20, 20), GlyphSide::Left);
  AddDivider(bar, 9);
  ui.btCalculate = AddButton(bar, "btCalculate", 93, "Calculate", "Simulate FRET", kNavy,
                             Glyph("calculate"), QSize(17, 17), GlyphSide::Right);
  AddDivider(bar, 9);
  ui.btFit = AddButton(bar, "btFit", 63, "FIT", "Run", kNavy, Glyph("fit"), QSize(18, 17),
                       GlyphSide::Right);
  ui.btEstimate = AddButton(bar, "btEstimate", 112, "(Initial estimation)", "Run", black, QIcon(),
                            QSize(), GlyphSide::None);
  ui.btClear = AddButton(bar, "btClear", 43, "", "Clear console", black, Glyph("clear"),
                         QSize(32, 15), GlyphSide::Only);
  AddDivider(bar, 12);
  ui.btSeries = AddButton(bar, "btSeries", 113, "Series of FITs", "Run", kNavy,
                          Glyph("series", true), QSize(16, 16), GlyphSide::Right);
  AddGap(bar, 257);
  ui.btExit = AddButton(bar, "btExit", 26, "", "Exit the program", black, Glyph("exit", true),
                        QSize(16, 16), GlyphSide::Only);
  ui.btExit->setAutoRaise(false);  // the one button with a raised border
}

void BuildMainChart(Ui& ui, QWidget* parent) {
  auto* chart =
      new ChartView(QStringLiteral("Time, s"), QStringLiteral("Fluorescence ~ ACF"), false, parent);
  chart->setObjectName(QStringLiteral("Chart1"));
  chart->chart()->setBackgroundBrush(Qt::white);
  chart->SetGrid(kSilver);
  ui.Chart1 = chart;
  ui.serData = chart->AddSeries(QStringLiteral("serData"), QColor(0, 204, 0), 2);
  ui.serModel = chart->AddSeries(QStringLiteral("serModel"), QColor(0, 0, 160), 1);
  ui.serError = chart->AddSeries(QStringLiteral("serError"), QColor(255, 0, 0), 1);
  ui.Series1 = chart->AddSeries(QStringLiteral("Series1"), Qt::black, 1, Qt::DotLine);
}

QWidget* AddPage(QTabWidget* pages, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  pages->addTab(page, QString::fromLatin1(caption));
  return page;
}

}  // namespace

Ui BuildUi(QMainWindow& window) {
  Ui ui{};
  window.setObjectName(QStringLiteral("fmMain"));
  window.setWindowTitle(QStringLiteral("Fitting of Pyrene-Actin experimental results"));
  window.setFont(WindowFont());
  window.setContextMenuPolicy(Qt::NoContextMenu);
  window.move(57, 129);
  window.resize(839, 421);

  BuildToolBar(window, ui);

  auto* client = new QWidget(&window);
  auto* row = new QHBoxLayout(client);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  auto* pages = new QTabWidget(client);
  pages->setObjectName(QStringLiteral("PageControl1"));
  pages->setFixedWidth(353);
  pages->setUsesScrollButtons(false);
  ui.PageControl1 = pages;
  ui.TabSheet1 = AddPage(pages, "TabSheet1", "Parameters");
  ui.TabSheet2 = AddPage(pages, "TabSheet2", "Data");
  ui.TabSheet3 = AddPage(pages, "TabSheet3", "Fitting");
  ui.TabSheet4 = AddPage(pages, "TabSheet4", "Results");
  ui.TabSheet5 = AddPage(pages, "TabSheet5", "Sensitivity");
  BuildParametersPage(ui);
  BuildDataPage(ui);
  BuildFittingPage(ui);
  BuildResultsPage(ui);
  BuildSensitivityPage(ui);
  pages->setCurrentWidget(ui.TabSheet1);
  row->addWidget(pages);

  BuildMainChart(ui, client);
  row->addWidget(ui.Chart1, 1);

  window.setCentralWidget(client);
  return ui;
}

}  // namespace actinfit
