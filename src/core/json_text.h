// JSON text for the files this program keeps: numbers in their shortest exact form (a value read
// back is the value written, and writing it again gives the same text), numbers that JSON cannot
// hold as the strings "NaN", "Infinity" and "-Infinity", one entry of an object per line and an
// array of plain values on one line.
#pragma once

#include <array>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

namespace actinfit {

// The text of `value`, ended by a line break. UTF-8; characters outside ASCII as they are.
std::string JsonText(const nlohmann::ordered_json& value);

// A real as JSON: a number, or one of the strings above where it is not finite.
nlohmann::ordered_json JsonReal(double value);

// Reals as a JSON array of JsonReal values.
nlohmann::ordered_json JsonReals(std::span<const double> values);

// Flags as a JSON array of booleans.
template <size_t N>
nlohmann::ordered_json JsonBools(const std::array<bool, N>& values) {
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (const bool value : values) array.push_back(value);
  return array;
}

// Reads a real written by JsonReal (an integer is a real too); refuses anything else (Error,
// naming `what`).
double ReadJsonReal(const nlohmann::ordered_json& value, const std::string& what);

}  // namespace actinfit
