// An entry of a JSON file read with its place named: every refusal says which entry is missing
// or holds the wrong kind of value ("report.stdError[2] is not a number").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace actinfit {

class TJsonPlace {
 public:
  using Json = nlohmann::ordered_json;

  TJsonPlace(const Json& value, std::string path) : value_(value), path_(std::move(path)) {}

  // The entry `key` of this object; refuses (Error) a missing one.
  TJsonPlace operator[](const char* key) const;
  // Element `index` of this array.
  TJsonPlace operator[](size_t index) const;
  bool Has(const char* key) const;
  bool IsNull() const { return value_.is_null(); }

  double Real() const;
  int32_t Integer() const;
  bool Bool() const;
  std::string Text() const;
  std::vector<double> Reals() const;
  // The elements of this array, refusing one of another count.
  size_t Size() const;
  void CheckSize(size_t count) const;

  template <size_t N>
  std::array<double, N> RealArray() const {
    CheckSize(N);
    std::array<double, N> values{};
    for (size_t i = 0; i < N; ++i) values[i] = (*this)[i].Real();
    return values;
  }
  template <size_t N>
  std::array<bool, N> BoolArray() const {
    CheckSize(N);
    std::array<bool, N> values{};
    for (size_t i = 0; i < N; ++i) values[i] = (*this)[i].Bool();
    return values;
  }

  const Json& value() const { return value_; }
  const std::string& path() const { return path_; }
  [[noreturn]] void Refuse(const std::string& what) const;

 private:
  const Json& value_;
  std::string path_;
};

}  // namespace actinfit
