// Numbers between the core and the window's fields: the core's number text, shown and read as
// the controls' strings.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

class QLineEdit;

namespace actinfit {

// The core writes plain ASCII.
QString ToQString(const std::string& text);

// A field's number. Any character outside ASCII makes the text invalid, never a crash. A text
// that is no number raises the core's conversion error unchanged, after the field has been
// brought into view, focused and selected, so that the user sees which field the message means.
double ReadReal(QLineEdit* edit);
int32_t ReadInteger(QLineEdit* edit);

}  // namespace actinfit
