#include "core/json_place.h"

#include <limits>

#include "core/errors.h"
#include "core/json_text.h"

namespace actinfit {

void TJsonPlace::Refuse(const std::string& what) const {
  throw Error(path_ + " " + what);
}

TJsonPlace TJsonPlace::operator[](const char* key) const {
  if (!value_.is_object()) Refuse("is not an object");
  const auto found = value_.find(key);
  const std::string path = path_ + "." + key;
  if (found == value_.end()) throw Error(path + " is missing");
  return TJsonPlace(*found, path);
}

TJsonPlace TJsonPlace::operator[](size_t index) const {
  if (!value_.is_array()) Refuse("is not a list");
  const std::string path = path_ + "[" + std::to_string(index) + "]";
  if (index >= value_.size()) throw Error(path + " is missing");
  return TJsonPlace(value_[index], path);
}

bool TJsonPlace::Has(const char* key) const {
  return value_.is_object() && value_.contains(key);
}

double TJsonPlace::Real() const {
  return ReadJsonReal(value_, path_);
}

int32_t TJsonPlace::Integer() const {
  if (!value_.is_number_integer()) Refuse("is not a whole number");
  const auto n = value_.get<int64_t>();
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) {
    Refuse("is out of range");
  }
  return static_cast<int32_t>(n);
}

bool TJsonPlace::Bool() const {
  if (!value_.is_boolean()) Refuse("is not true or false");
  return value_.get<bool>();
}

std::string TJsonPlace::Text() const {
  if (!value_.is_string()) Refuse("is not a text");
  return value_.get<std::string>();
}

size_t TJsonPlace::Size() const {
  if (!value_.is_array()) Refuse("is not a list");
  return value_.size();
}

void TJsonPlace::CheckSize(size_t count) const {
  if (Size() != count) Refuse("does not hold " + std::to_string(count) + " values");
}

std::vector<double> TJsonPlace::Reals() const {
  std::vector<double> values(Size());
  for (size_t i = 0; i < values.size(); ++i) values[i] = (*this)[i].Real();
  return values;
}

}  // namespace actinfit
