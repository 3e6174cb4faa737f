// The errors the core raises. Each what() is exactly the message the user sees.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace actinfit {

// Base of every error the system raises on purpose.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that is not a number of the kind asked for.
class EConvertError : public Error {
 public:
  using Error::Error;
};

// Base of the floating-point errors. A failed square root adds a separate notice that the
// window shows before the error itself ("sqrt: DOMAIN error"); it travels with whatever
// floating-point error the not-a-number then causes.
class EMathError : public Error {
 public:
  EMathError(const std::string& message, std::string notice)
      : Error(message), notice_(std::move(notice)) {}
  const std::string& notice() const { return notice_; }

 private:
  std::string notice_;
};

// 0/0, inf - inf, a comparison with a not-a-number, ...
class EInvalidOp : public EMathError {
 public:
  explicit EInvalidOp(std::string notice = {});
};

// A non-zero number divided by zero.
class EZeroDivide : public EMathError {
 public:
  explicit EZeroDivide(std::string notice = {});
};

// A result beyond the range of a 64-bit real.
class EOverflow : public EMathError {
 public:
  explicit EOverflow(std::string notice = {});
};

// An integer division by zero.
class EDivByZero : public Error {
 public:
  EDivByZero();
};

// An input the system refuses before it computes anything (a time step that would never end
// the simulation, a grid of one point, ...).
class EInvalidInput : public Error {
 public:
  using Error::Error;
};

}  // namespace actinfit
