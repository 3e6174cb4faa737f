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

// True when `bytes` is well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing beyond U+10FFFF.
// The length of the well-formed UTF-8 sequence at `i`, 0 where none starts there.
size_t SequenceAt(std::string_view bytes, size_t i) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (s[i] < 0x80) return 1;
  size_t more = 0;
  uint32_t code = 0, least = 0;
  if ((s[i] & 0xE0) == 0xC0) {
    more = 1, code = s[i] & 0x1Fu, least = 0x80;
  } else if ((s[i] & 0xF0) == 0xE0) {
    more = 2, code = s[i] & 0x0Fu, least = 0x800;
  } else if ((s[i] & 0xF8) == 0xF0) {
    more = 3, code = s[i] & 0x07u, least = 0x10000;
  } else {
    return 0;
  }
  if (i + more >= n) return 0;
  for (size_t k = 1; k <= more; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i + k] & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return 0;
  return more + 1;
}

bool IsUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII, the bulk of any data file, skip the decoding.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = SequenceAt(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// UTF-8 text with each byte that starts no well-formed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = SequenceAt(bytes, i);
    if (length == 0) {
      AppendUtf8(text, kReplacement);
      ++i;
    } else {
      text.append(bytes.substr(i, length));
      i += length;
    }
  }
  return text;
}

// Windows-1252 as it differs from Latin-1 in 0x80..0x9F; 0 where the code page has no letter.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      text += c;
    } else if (b < 0xA0) {
      const uint32_t code = kCp1252High[b - 0x80];
      AppendUtf8(text, code == 0 ? kReplacement : code);
    } else {
      AppendUtf8(text, b);
    }
  }
  return text;
}

}  // namespace

std::string_view DecodeText(std::string_view bytes, const std::string& fileName,
                            std::string& converted, std::string* note) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    // Marked as UTF-8: a broken byte is a broken letter, not another code page.
    if (IsUtf8(bytes.substr(3))) return bytes.substr(3);
    converted = RepairUtf8(bytes.substr(3));
    return converted;
  }
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
  if (IsUtf8(bytes)) return bytes;
  // Bytes that are no UTF-8 come from a program writing the Windows code page ("\xB5M", "T\xB0").
  converted = Cp1252ToUtf8(bytes);
  if (note != nullptr) *note = "text read as Windows-1252: its bytes are no UTF-8";
  return converted;
}

std::string_view Utf8Prefix(std::string_view text, size_t most) {
  if (text.size() <= most) return text;
  size_t end = most;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
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
