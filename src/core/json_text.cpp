#include "core/json_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kNaN = "NaN";
constexpr const char* kInfinity = "Infinity";
constexpr const char* kMinusInfinity = "-Infinity";

bool Plain(const Json& value) {
  return !value.is_object() && !value.is_array();
}

void AppendNumber(std::string& text, double value) {
  // "-0" would read back as the integer 0; a negative zero keeps its sign as "-0.0".
  if (value == 0 && std::signbit(value)) {
    text += "-0.0";
    return;
  }
  AppendShortestReal(text, value);
}

void AppendValue(std::string& text, const Json& value, int indent);

void AppendIndent(std::string& text, int indent) {
  text.append(static_cast<size_t>(indent), ' ');
}

void AppendObject(std::string& text, const Json& object, int indent) {
  if (object.empty()) {
    text += "{}";
    return;
  }
  text += "{\n";
  size_t left = object.size();
  for (const auto& [key, value] : object.items()) {
    AppendIndent(text, indent + 2);
    text += Json(key).dump(-1, ' ', false, Json::error_handler_t::replace);
    text += ": ";
    AppendValue(text, value, indent + 2);
    text += --left > 0 ? ",\n" : "\n";
  }
  AppendIndent(text, indent);
  text += '}';
}

void AppendArray(std::string& text, const Json& array, int indent) {
  const bool oneLine = std::all_of(array.begin(), array.end(), Plain);
  if (oneLine) {
    text += '[';
    for (size_t i = 0; i < array.size(); ++i) {
      if (i > 0) text += ", ";
      AppendValue(text, array[i], indent);
    }
    text += ']';
    return;
  }
  text += "[\n";
  for (size_t i = 0; i < array.size(); ++i) {
    AppendIndent(text, indent + 2);
    AppendValue(text, array[i], indent + 2);
    text += i + 1 < array.size() ? ",\n" : "\n";
  }
  AppendIndent(text, indent);
  text += ']';
}

void AppendValue(std::string& text, const Json& value, int indent) {
  switch (value.type()) {
    case Json::value_t::object:
      AppendObject(text, value, indent);
      break;
    case Json::value_t::array:
      AppendArray(text, value, indent);
      break;
    case Json::value_t::number_float:
      AppendNumber(text, value.get<double>());
      break;
    default:  // strings, integers, true, false, null
      text += value.dump(-1, ' ', false, Json::error_handler_t::replace);
      break;
  }
}

}  // namespace

std::string JsonText(const nlohmann::ordered_json& value) {
  std::string text;
  AppendValue(text, value, 0);
  text += '\n';
  return text;
}

nlohmann::ordered_json JsonReal(double value) {
  if (std::isnan(value)) return kNaN;
  if (std::isinf(value)) return value > 0 ? kInfinity : kMinusInfinity;
  return value;
}

double ReadJsonReal(const nlohmann::ordered_json& value, const std::string& what) {
  if (value.is_number()) return value.get<double>();
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    if (text == kNaN) return std::numeric_limits<double>::quiet_NaN();
    if (text == kInfinity) return std::numeric_limits<double>::infinity();
    if (text == kMinusInfinity) return -std::numeric_limits<double>::infinity();
  }
  throw Error(what + " is not a number");
}

nlohmann::ordered_json JsonReals(std::span<const double> values) {
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (const double value : values) array.push_back(JsonReal(value));
  return array;
}

}  // namespace actinfit
