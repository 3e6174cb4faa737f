#include "app/layout/upper_case_validator.h"

namespace actinfit {

QValidator::State UpperCaseValidator::validate(QString& input, int& /*pos*/) const {
  // Every text is acceptable; only its letters change, so the cursor stays where it is.
  input = input.toUpper();
  return Acceptable;
}

}  // namespace actinfit
