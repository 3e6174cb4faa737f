#include "core/errors.h"

#include <utility>

namespace actinfit {

EInvalidOp::EInvalidOp(std::string notice)
    : EMathError("Invalid floating point operation", std::move(notice)) {}
EZeroDivide::EZeroDivide(std::string notice)
    : EMathError("Floating point division by zero", std::move(notice)) {}
EOverflow::EOverflow(std::string notice)
    : EMathError("Floating point overflow", std::move(notice)) {}
EDivByZero::EDivByZero() : Error("Division by zero") {}

}  // namespace actinfit
