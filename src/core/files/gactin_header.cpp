#include "core/files/gactin_header.h"

#include <charconv>
#include <string>
#include <vector>

namespace actinfit {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A letter of a word: ASCII letters, and the bytes of letters beyond ASCII ("µ", "μ").
bool IsLetter(char c) {
  return (Lower(c) >= 'a' && Lower(c) <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}

size_t SkipBlanks(std::string_view text, size_t i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

bool StartsWithWord(std::string_view text, std::string_view lowerWord) {
  if (text.size() < lowerWord.size()) return false;
  for (size_t k = 0; k < lowerWord.size(); ++k) {
    if (Lower(text[k]) != lowerWord[k]) return false;
  }
  return true;
}

// A concentration unit at the start of `rest`: its length and how many of it make a thousand
// uM (1 for nM, 1000 for uM, 10^6 for mM), so that converting is exact; 0 when there is none.
size_t ReadUnit(std::string_view rest, double& perThousandUm) {
  struct Unit {
    std::string_view lower;
    double perThousand;
  };
  static constexpr Unit kUnits[] = {{"\xC2\xB5mol/l", 1000},
                                    {"\xCE\xBCmol/l", 1000},
                                    {"umol/l", 1000},
                                    {"nmol/l", 1},
                                    {"mmol/l", 1e6},
                                    {"nm", 1},
                                    {"um", 1000},
                                    {"\xC2\xB5m", 1000},
                                    {"\xCE\xBCm", 1000},
                                    {"mm", 1e6}};
  for (const Unit& unit : kUnits) {
    if (!StartsWithWord(rest, unit.lower)) continue;
    // "3 umol" is an amount, not a concentration: the unit ends there.
    const size_t end = unit.lower.size();
    if (end < rest.size() && (Lower(rest[end]) >= 'a' && Lower(rest[end]) <= 'z')) return 0;
    perThousandUm = unit.perThousand;
    return end;
  }
  return 0;
}

// The word at `i` (blanks skipped), lower case; empty when something else stands there.
std::string WordAt(std::string_view text, size_t i) {
  i = SkipBlanks(text, i);
  std::string word;
  while (i < text.size() && (IsLetter(text[i]) || text[i] == '-')) word += Lower(text[i++]);
  return word;
}

// The word right before `i`, with only blanks, ':' or '=' between; empty otherwise.
std::string WordBefore(std::string_view text, size_t i) {
  while (i > 0 &&
         (text[i - 1] == ' ' || text[i - 1] == '\t' || text[i - 1] == ':' || text[i - 1] == '=')) {
    --i;
  }
  const size_t end = i;
  while (i > 0 && (IsLetter(text[i - 1]) || text[i - 1] == '-')) --i;
  std::string word;
  for (size_t k = i; k < end; ++k) word += Lower(text[k]);
  return word;
}

bool NamesActin(const std::string& word) {
  return word == "actin" || word.ends_with("-actin");
}

struct Amount {
  double uM = 0;
  bool valid = true;  // not negative, not beyond range
  std::string after, before;
};

}  // namespace

std::optional<double> GActinFromHeader(std::string_view header) {
  std::vector<Amount> amounts;
  size_t i = 0;
  while (i < header.size()) {
    if (!IsDigit(header[i])) {
      ++i;
      continue;
    }
    // A number: digits, one decimal mark ('.' or ','), digits.
    const size_t start = i;
    while (i < header.size() && IsDigit(header[i])) ++i;
    if (i + 1 < header.size() && (header[i] == '.' || header[i] == ',') && IsDigit(header[i + 1])) {
      ++i;
      while (i < header.size() && IsDigit(header[i])) ++i;
    }
    // A number glued to letters before it ("A1", "X2") is a name, not an amount.
    if (start > 0 && IsLetter(header[start - 1])) continue;
    double perThousand = 0;
    const size_t unitAt = SkipBlanks(header, i);
    const size_t unitLength = ReadUnit(header.substr(unitAt), perThousand);
    if (unitLength == 0) continue;
    std::string number(header.substr(start, i - start));
    for (char& c : number) {
      if (c == ',') c = '.';
    }
    Amount amount;
    double value = 0;
    // from_chars: the window's locale must not change what a header means.
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    // A minus after a name or a number is a dash ("A1-2 uM"), anywhere else a sign.
    const bool negative =
        start > 0 && header[start - 1] == '-' &&
        (start == 1 || !(IsLetter(header[start - 2]) || IsDigit(header[start - 2])));
    amount.valid = parsed.ec == std::errc() && !negative && value > 0 && value < 1e12;
    // Scaled in two exact steps: a thousandth of the amount in the unit, times the unit.
    if (amount.valid) amount.uM = value * perThousand / 1000;
    amount.after = WordAt(header, unitAt + unitLength);
    amount.before = WordBefore(header, negative ? start - 1 : start);
    amounts.push_back(amount);
    i = unitAt + unitLength;
  }
  // The amount next to "actin" where one is; a lone amount that names nothing else otherwise.
  for (const Amount& amount : amounts) {
    if (NamesActin(amount.after) || (amount.after.empty() && NamesActin(amount.before))) {
      return amount.valid ? std::optional<double>(amount.uM) : std::nullopt;
    }
  }
  if (amounts.size() == 1 && amounts[0].after.empty() && amounts[0].valid) return amounts[0].uM;
  return std::nullopt;
}

}  // namespace actinfit
