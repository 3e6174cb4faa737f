// The five pages of the page control.
#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "app/charts/chart_view.h"
#include "app/layout/default_data.h"
#include "app/layout/fonts.h"
#include "app/layout/ui.h"
#include "app/layout/ui_parts.h"
#include "core/defaults.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

constexpr int kHeaderHeight = 18;
constexpr int kRowHeight = 24;
constexpr int kRowTop = 1 + kHeaderHeight;

// A parameter row's names and look; its starting texts and mark are the core's defaults.
struct ParamRowText {
  const char* check;
  const char* caption;
  QColor background;
  const char* value;
  const char* min;
  const char* max;
};

const ParamRowText kParamRows[] = {
    {"chbBFluo", "Background fluorescence", QColor(238, 238, 255), "edBFluo", "edBFluoMin",
     "edBFluoMax"},
    {"chbTShift", "Time shift, [s]", QColor(238, 255, 238), "edTShift", "edTShiftMin",
     "edTShiftMax"},
    {"chbKnuc", "Nucleation rate, [uM-2s-1]", kPeach, "edKnuc", "edKnucMin", "edKnucMax"},
    {"chbKon", "Association rate, [uM-1s-1]", kPeach, "edKon", "edKonMin", "edKonMax"},
    {"chbKoff", "Dissociation rate, [s-1]", kPeach, "edKoff", "edKoffMin", "edKoffMax"},
};

ParamRow MakeParamRow(QFrame* panel, int y, const ParamRowText& text, const TParamDefault& start) {
  QFrame* strip = MakeStrip(panel, y);
  ParamRow row{};
  row.fit = MakeRowCheck(strip, text.check, text.caption, text.background, start.fit);
  row.value = MakeEdit(strip, text.value, start.value, 191, 1, 70, true);
  row.min = MakeEdit(strip, text.min, start.min, 261, 1, 40, false);
  row.max = MakeEdit(strip, text.max, start.max, 301, 1, 40, false);
  // Within a row the focus goes value, lower bound, upper bound, check box.
  QWidget::setTabOrder(row.value, row.min);
  QWidget::setTabOrder(row.min, row.max);
  QWidget::setTabOrder(row.max, row.fit);
  return row;
}

QLabel* MakeValueLabel(QGroupBox* box, const char* name, int y, const QColor& colour, bool bold) {
  auto* label = new QLabel(QStringLiteral("0000"), box);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(WindowFont(bold));
  SetTextColour(label, colour);
  label->setGeometry(96, y, 78, 14);
  return label;
}

void MakeGroupCaption(QGroupBox* box, const char* caption, int y) {
  auto* label = new QLabel(QString::fromLatin1(caption), box);
  label->setFont(WindowFont(true));
  label->setGeometry(6, y, 90, 14);
}

void BuildProgressBox(Ui& ui, QWidget* page) {
  auto* box = new QGroupBox(QStringLiteral("Fit"), page);
  box->setObjectName(QStringLiteral("GroupBox1"));
  box->setGeometry(0, 260, 177, 97);
  ui.GroupBox1 = box;
  MakeGroupCaption(box, "Data points:", 18);
  ui.lbNData = MakeValueLabel(box, "lbNData", 18, Qt::black, false);
  MakeGroupCaption(box, "Iteration / Run= ", 33);
  ui.lbItr = MakeValueLabel(box, "lbItr", 33, Qt::blue, true);
  ui.lbNSeries = MakeValueLabel(box, "lbNSeries", 47, kNavy, true);
  MakeGroupCaption(box, "Step =", 62);
  ui.lbStep = MakeValueLabel(box, "lbStep", 62, kPurple, false);
  MakeGroupCaption(box, "SSE = ", 77);
  ui.lbSSE = MakeValueLabel(box, "lbSSE", 77, Qt::red, true);
}

}  // namespace

void BuildParametersPage(Ui& ui) {
  QWidget* page = ui.TabSheet1;
  QFrame* panel = MakePanel(page, "Panel3", 345, 257);
  ui.Panel3 = panel;
  MakeColumnHeader(panel, {{"FIT", 32, Qt::AlignHCenter, 0, 0},
                           {"Parameter name", 160, Qt::AlignLeft, 100, 200},
                           {"Value", 70, Qt::AlignHCenter, 70, 70},
                           {"Min", 40, Qt::AlignHCenter, 40, 40},
                           {"Max", 40, Qt::AlignLeft, 40, 40}});

  int y = kRowTop;
  for (size_t i = 0; i < ui.params.size(); ++i, y += kRowHeight) {
    ui.params[i] = MakeParamRow(panel, y, kParamRows[i], kParamDefaults[i]);
  }

  QFrame* gActin = MakeStrip(panel, y);
  auto* marker = new QFrame(gActin);
  marker->setGeometry(0, 1, 22, 22);
  SetBackground(marker, kLightYellow);
  MakeRowCaption(gActin, "  G-actin concentration, [uM]", 22, 169, kLightYellow, false);
  ui.edAG = MakeEdit(gActin, "edAG", kDefaultGActin, 191, 1, 70, true);
  y += kRowHeight + 12;  // then an empty strip

  QFrame* step = MakeStrip(panel, y);
  MakeRowCaption(step, " Time step for the model, dt [s]", 0, 225, Qt::white, false);
  ui.edTStep = MakeEdit(step, "edTStep", kDefaultDt, 225, 1, 48, true);
  y += kRowHeight;

  QFrame* iterations = MakeStrip(panel, y);
  MakeRowCaption(iterations, " Maximum iterations / show each", 0, 225, kLightGrey, true);
  ui.edNItr =
      MakeEdit(iterations, "edNItr", FormatInteger(kDefaultIterations).c_str(), 225, 1, 48, true);
  ui.edNShow =
      MakeEdit(iterations, "edNShow", FormatInteger(kDefaultShowEvery).c_str(), 273, 1, 42, true);
  y += kRowHeight;

  QFrame* series = MakeStrip(panel, y);
  MakeRowCaption(series, "Repeat generation+fitting :", 0, 225, kLightGrey, true);
  ui.edNSeries =
      MakeEdit(series, "edNSeries", FormatInteger(kDefaultSeriesRuns).c_str(), 225, 1, 48, true);

  // Inert, and below the panel's visible area.
  ui.CheckBox2 = new QCheckBox(QStringLiteral("Do not update as you type"), panel);
  ui.CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  ui.CheckBox2->setGeometry(4, 262, 200, 17);

  BuildProgressBox(ui, page);
}

void BuildDataPage(Ui& ui) {
  QWidget* page = ui.TabSheet2;
  struct Column {
    const char* heading;
    const char* pane;
    const char* clear;
    int x;
    int width;
    QString text;
  };
  const Column columns[] = {
      {"Time", "mTime", "btClearTime", 2, 97, DefaultTimeText()},
      {"Experimental", "mData", "btClearExp", 101, 120, DefaultDataText()},
      {"Model", "mModel", "btClearMod", 223, 120, DefaultModelText()},
  };
  QPlainTextEdit* panes[3];
  QPushButton* clears[3];
  for (int i = 0; i < 3; ++i) {
    const Column& c = columns[i];
    auto* heading = new QLabel(QString::fromLatin1(c.heading), page);
    QFont font = CaptionFont(true);
    font.setUnderline(true);
    heading->setFont(font);
    heading->setGeometry(c.x, 3, c.width, 17);
    panes[i] = MakePane(page, c.pane, c.text);
    panes[i]->setGeometry(c.x, 21, c.width, 305);
    clears[i] = new QPushButton(QStringLiteral("clear"), page);
    clears[i]->setObjectName(QString::fromLatin1(c.clear));
    clears[i]->setGeometry(c.x, 329, 41, 17);
  }
  ui.mTime = panes[0];
  ui.mData = panes[1];
  ui.mModel = panes[2];
  ui.btClearTime = clears[0];
  ui.btClearExp = clears[1];
  ui.btClearMod = clears[2];
}

void BuildFittingPage(Ui& ui) {
  auto* layout = new QVBoxLayout(ui.TabSheet3);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* chart = new ChartView(QStringLiteral("Iteration"), QStringLiteral("Sum Square Error"), true,
                              ui.TabSheet3);
  chart->setObjectName(QStringLiteral("Chart2"));
  chart->chart()->setBackgroundBrush(QApplication::palette().color(QPalette::Midlight));
  ui.Chart2 = chart;
  ui.serSSE = chart->AddSeries(QStringLiteral("serSSE"), Qt::red, 2);
  layout->addWidget(chart);
}

void BuildResultsPage(Ui& ui) {
  auto* layout = new QVBoxLayout(ui.TabSheet4);
  layout->setContentsMargins(0, 0, 0, 0);
  ui.mResults = MakePane(ui.TabSheet4, "mResults", QString());
  layout->addWidget(ui.mResults);
}

void BuildSensitivityPage(Ui& ui) {
  QWidget* page = ui.TabSheet5;
  QFrame* panel = MakePanel(page, "Panel1", 345, 73);
  ui.Panel1 = panel;
  MakeColumnHeader(panel, {{"FIT", 32, Qt::AlignHCenter, 0, 0},
                           {"Parameter name", 160, Qt::AlignLeft, 100, 200},
                           {"Min", 40, Qt::AlignHCenter, 40, 40},
                           {"Max", 40, Qt::AlignLeft, 40, 40},
                           {"N.Points", 100, Qt::AlignLeft, 0, 0}});

  QFrame* first = MakeStrip(panel, kRowTop);
  ui.CheckBox5 = MakeRowCheck(first, "CheckBox5", "Nucleation rate, [uM-2s-1]", kPeach, true);
  ui.edP1Min = MakeEdit(first, "edP1Min", "1E-11", 191, 1, 42, false);
  ui.edP1Max = MakeEdit(first, "edP1Max", "1E-6", 233, 1, 40, false);
  ui.edNP1 = MakeEdit(first, "edNP1", "10", 273, 1, 68, true);

  QFrame* second = MakeStrip(panel, kRowTop + kRowHeight);
  ui.CheckBox6 = MakeRowCheck(second, "CheckBox6", "Association rate, [uM-1s-1]", kPeach, true);
  ui.edP2Min = MakeEdit(second, "edP2Min", "1", 191, 1, 42, false);
  ui.edP2Max = MakeEdit(second, "edP2Max", "20", 233, 1, 40, false);
  ui.edNP2 = MakeEdit(second, "edNP2", "10", 273, 1, 68, true);

  // Inert, and below the panel's visible area.
  ui.CheckBox3 = new QCheckBox(QStringLiteral("Do not update as you type"), panel);
  ui.CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
  ui.CheckBox3->setGeometry(4, 76, 200, 17);

  ui.Button1 = new QPushButton(QStringLiteral("Test sensitivity"), page);
  ui.Button1->setObjectName(QStringLiteral("Button1"));
  ui.Button1->setGeometry(0, 77, 121, 25);

  ui.mSens = MakePane(page, "mSens", QStringLiteral("mSens"));
  ui.mSens->setFont(WindowFont());
  ui.mSens->setGeometry(0, 106, 337, 233);
}

}  // namespace actinfit
