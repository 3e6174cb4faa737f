// Turns letters into capitals as they are typed or pasted into an edit field.
#pragma once

#include <QValidator>

namespace actinfit {

class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

}  // namespace actinfit
