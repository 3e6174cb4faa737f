// An error as the window shows it: its message, with a full stop added when the last character
// sorts after '.', behind the notice of a failed square root where there is one.
#pragma once

#include <exception>
#include <string>

#include "core/errors.h"

namespace actinfit::batch {

inline std::string UserMessage(const std::exception& error) {
  std::string text = error.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  if (const auto* math = dynamic_cast<const EMathError*>(&error);
      math != nullptr && !math->notice().empty()) {
    text = math->notice() + "; " + text;
  }
  return text;
}

}  // namespace actinfit::batch
