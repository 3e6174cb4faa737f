// The window description: every control of the main window with its name, caption, hint,
// default text, colours and fonts, and the default data set in the data panes.
#pragma once

#include <array>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;

namespace actinfit {

class ChartView;
class LineSeries;

// One parameter row of the Parameters page, in the shared parameter order.
struct ParamRow {
  QCheckBox* fit;
  QLineEdit* value;
  QLineEdit* min;
  QLineEdit* max;
};

struct Ui {
  // Tool bar.
  QToolBar* ToolBar9;
  QToolButton* btApply;
  QToolButton* btCalculate;
  QToolButton* btFit;
  QToolButton* btEstimate;
  QToolButton* btClear;
  QToolButton* btSeries;
  QToolButton* btExit;

  // Pages.
  QTabWidget* PageControl1;
  QWidget* TabSheet1;  // Parameters
  QWidget* TabSheet2;  // Data
  QWidget* TabSheet3;  // Fitting
  QWidget* TabSheet4;  // Results
  QWidget* TabSheet5;  // Sensitivity

  // Parameters page.
  QFrame* Panel3;
  std::array<ParamRow, 5> params;  // BFluo, TShift, Knuc, Kon, Koff
  QLineEdit* edAG;
  QLineEdit* edTStep;
  QLineEdit* edNItr;
  QLineEdit* edNShow;
  QLineEdit* edNSeries;
  QCheckBox* CheckBox2;
  QGroupBox* GroupBox1;
  QLabel* lbNData;
  QLabel* lbItr;
  QLabel* lbNSeries;
  QLabel* lbStep;
  QLabel* lbSSE;

  // Data page.
  QPlainTextEdit* mTime;
  QPlainTextEdit* mData;
  QPlainTextEdit* mModel;
  QPushButton* btClearTime;
  QPushButton* btClearExp;
  QPushButton* btClearMod;

  // Fitting page.
  ChartView* Chart2;
  LineSeries* serSSE;

  // Results page.
  QPlainTextEdit* mResults;

  // Sensitivity page.
  QFrame* Panel1;
  QCheckBox* CheckBox5;
  QCheckBox* CheckBox6;
  QCheckBox* CheckBox3;
  QLineEdit* edP1Min;
  QLineEdit* edP1Max;
  QLineEdit* edNP1;
  QLineEdit* edP2Min;
  QLineEdit* edP2Max;
  QLineEdit* edNP2;
  QPushButton* Button1;
  QPlainTextEdit* mSens;

  // Main chart.
  ChartView* Chart1;
  LineSeries* serData;
  LineSeries* serModel;
  LineSeries* serError;
  LineSeries* Series1;
};

// Builds every control into `window` and returns them by name. Connects nothing.
Ui BuildUi(QMainWindow& window);

// The pages of the page control, each filled into its empty page widget.
void BuildParametersPage(Ui& ui);
void BuildDataPage(Ui& ui);
void BuildFittingPage(Ui& ui);
void BuildResultsPage(Ui& ui);
void BuildSensitivityPage(Ui& ui);

}  // namespace actinfit
