// Reads typed values from the front of a fuzzer's input; what is left is text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace actinfit::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  template <class T>
  T Take() {
    T value{};
    const size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
    std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }

  std::string_view Rest() const { return {reinterpret_cast<const char*>(data_), size_}; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// One of '.', ',' or another character, as the user's locale might give.
inline char PickSeparator(uint8_t b) {
  static constexpr char kSeparators[] = {'.', ',', '.', ',', ';', '\''};
  return kSeparators[b % sizeof kSeparators];
}

}  // namespace actinfit::fuzz

// Every target defines this.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
