#include "core/files/text_encoding.h"

#include <algorithm>
#include <cstdint>

#include "core/errors.h"

namespace actinfit {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

std::string Quoted(const std::string& fileName) {
  return "'" + fileName + "'";
}

void AppendUtf8(std::string& text, uint32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The UTF-16 code units of `bytes` (the byte-order mark already removed) as UTF-8.
std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian) {
  const size_t units = bytes.size() / 2;
  const auto unit = [&](size_t i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return littleEndian ? static_cast<uint32_t>(first | (second << 8))
                        : static_cast<uint32_t>((first << 8) | second);
  };
  std::string text;
  text.reserve(units + units / 2);
  for (size_t i = 0; i < units; ++i) {
    const uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
      const uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(text, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(text, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
  }
  if (bytes.size() % 2 != 0) AppendUtf8(text, kReplacement);
  return text;
}

// UTF-16 text of Latin letters and digits has a NUL in every other byte, on the same side;
// binary data rarely keeps that up over the first block.
bool LooksLikeUtf16WithoutMark(std::string_view bytes) {
  const size_t pairs = std::min(bytes.size(), kEncodingBlock) / 2;
  if (pairs < 2) return false;
  size_t evenNul = 0;
  size_t oddNul = 0;
  for (size_t i = 0; i < pairs; ++i) {
    const bool even = bytes[2 * i] == '\0';
    const bool odd = bytes[2 * i + 1] == '\0';
    if (even && !odd) ++evenNul;
    if (odd && !even) ++oddNul;
  }
  return std::max(evenNul, oddNul) * 10 >= pairs * 9;
}

}  // namespace

std::string_view DecodeText(std::string_view bytes, const std::string& fileName,
                            std::string& converted) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
  const bool littleEndian = bytes.starts_with("\xFF\xFE");
  if (littleEndian || bytes.starts_with("\xFE\xFF")) {
    converted = Utf16ToUtf8(bytes.substr(2), littleEndian);
    return converted;
  }
  if (LooksLikeUtf16WithoutMark(bytes)) {
    throw EInvalidInput(Quoted(fileName) +
                        " looks like UTF-16 text without its byte-order mark: save it as UTF-8, "
                        "or as UTF-16 with the mark");
  }
  return bytes;
}

void RefuseBinary(std::string_view text, const std::string& fileName) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0x1A) {
      continue;
    }
    // The line of the first such byte: LF, CR LF and a lone CR each end a line.
    int32_t line = 1;
    for (size_t k = 0; k < i; ++k) {
      if (text[k] == '\n' || (text[k] == '\r' && text[k + 1] != '\n')) ++line;
    }
    throw EInvalidInput(Quoted(fileName) + " is not a text file (line " + std::to_string(line) +
                        " holds binary data)");
  }
}

}  // namespace actinfit
