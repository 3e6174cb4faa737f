// The question File > Export figure asks: the figure's size in millimetres and the resolution
// of a PNG, then the file.
#pragma once

#include <QDialog>
#include <QString>

class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace actinfit {

class FigureSizeDialog : public QDialog {
  Q_OBJECT

 public:
  // Numbers are shown and typed with `decimalMark`, the window's.
  FigureSizeDialog(QWidget* parent, char decimalMark);

  double WidthMm() const;
  double HeightMm() const;
  int Dpi() const;

 private:
  void ShowPixels();

  QDoubleSpinBox* width_;
  QDoubleSpinBox* height_;
  QSpinBox* dpi_;
  QLabel* pixels_;
};

struct FigureExport {
  QString path;  // empty when the user cancelled
  double widthMm = 0;
  double heightMm = 0;
  int dpi = 0;
};

FigureExport AskFigureExport(QWidget* parent, char decimalMark);

}  // namespace actinfit
