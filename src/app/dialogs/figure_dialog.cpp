#include "app/dialogs/figure_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialogs/file_dialogs.h"
#include "app/figure/figure_picture.h"

namespace actinfit {

namespace {

QDoubleSpinBox* MillimetreBox(QWidget* parent, const char* name, double value,
                              const QLocale& locale) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setLocale(locale);
  box->setDecimals(1);
  box->setRange(kFigureMinMm, kFigureMaxMm);
  box->setSingleStep(5);
  box->setSuffix(QStringLiteral(" mm"));
  box->setValue(value);
  return box;
}

}  // namespace

FigureSizeDialog::FigureSizeDialog(QWidget* parent, char decimalMark) : QDialog(parent) {
  setObjectName(QStringLiteral("FigureSizeDialog"));
  setWindowTitle(QStringLiteral("Export figure"));
  QLocale locale = decimalMark == ',' ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);

  width_ = MillimetreBox(this, "sbFigureWidth", kFigureWidthMm, locale);
  height_ = MillimetreBox(this, "sbFigureHeight", kFigureHeightMm, locale);
  dpi_ = new QSpinBox(this);
  dpi_->setObjectName(QStringLiteral("sbFigureDpi"));
  dpi_->setLocale(locale);
  dpi_->setRange(kFigureMinDpi, kFigureMaxDpi);
  dpi_->setSingleStep(50);
  dpi_->setSuffix(QStringLiteral(" dpi"));
  dpi_->setValue(kFigureDpi);
  pixels_ = new QLabel(this);
  pixels_->setObjectName(QStringLiteral("lbFigurePixels"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Width:"), width_);
  form->addRow(QStringLiteral("Height:"), height_);
  form->addRow(QStringLiteral("PNG resolution:"), dpi_);
  form->addRow(QString(), pixels_);
  auto* note = new QLabel(
      QStringLiteral("SVG and PDF are drawn as vectors at this size, their text kept as text."),
      this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);

  for (QDoubleSpinBox* box : {width_, height_}) {
    connect(box, &QDoubleSpinBox::valueChanged, this, &FigureSizeDialog::ShowPixels);
  }
  connect(dpi_, &QSpinBox::valueChanged, this, &FigureSizeDialog::ShowPixels);
  ShowPixels();
}

double FigureSizeDialog::WidthMm() const {
  return width_->value();
}

double FigureSizeDialog::HeightMm() const {
  return height_->value();
}

int FigureSizeDialog::Dpi() const {
  return dpi_->value();
}

void FigureSizeDialog::ShowPixels() {
  const QSize pixels = FigurePixels(WidthMm(), HeightMm(), Dpi());
  pixels_->setText(
      QStringLiteral("PNG of %1 x %2 pixels").arg(pixels.width()).arg(pixels.height()));
}

FigureExport AskFigureExport(QWidget* parent, char decimalMark) {
  FigureSizeDialog dialog(parent, decimalMark);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QString path = AskPictureFileToSave(parent, QStringLiteral("Export figure"));
  if (path.isEmpty()) return {};
  return {path, dialog.WidthMm(), dialog.HeightMm(), dialog.Dpi()};
}

}  // namespace actinfit
