// The fit report's page of model-free readouts for the current trace: Cc and k+ to edit, the
// table of readouts with their standard errors, and what the numbers rest on.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "core/readouts.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace actinfit {

// The trace the page reads: its points, its G-actin (uM) and the constants to start from; its
// readouts when they were read already (else the page reads them from the points).
struct TReadoutTrace {
  std::vector<double> time, data;
  double gActin = 0;
  TReadoutConstants constants;
  std::optional<TReadouts> readouts;
};

class TReadoutsPage final : public QWidget {
  Q_OBJECT

 public:
  TReadoutsPage(const TReadoutTrace& trace, QWidget* parent);

  const TReadoutConstants& Constants() const { return constants_; }
  // The page as tab-separated text: a row per readout, the constants' sentence, the message.
  QString Text() const;

 signals:
  // Cc or k+ was changed to valid numbers.
  void ConstantsChanged(const actinfit::TReadoutConstants& constants);

 private:
  void ReadFields();
  void Show();

  TReadouts readouts_;
  double gActin_;
  TReadoutConstants constants_;
  QLineEdit* cc_ = nullptr;
  QLineEdit* kplus_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* constantsNote_ = nullptr;
};

}  // namespace actinfit
