#include "app/support/decimal_locale.h"

#include <QLocale>

#include "core/numtext.h"

namespace actinfit {

void ReadSystemDecimalSeparator() {
  const QString symbol = QLocale::system().decimalPoint();
  // Number text works on single bytes; a symbol outside ASCII cannot be typed into it anyway,
  // so it is kept as a character that no number contains.
  char separator = '.';
  if (!symbol.isEmpty()) {
    const char16_t first = symbol.front().unicode();
    separator = first < 0x80 ? static_cast<char>(first) : '\x7f';
  }
  SetDecimalSeparator(separator);
}

}  // namespace actinfit
