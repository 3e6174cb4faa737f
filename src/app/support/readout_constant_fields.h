// The fields of Cc and k+ that the barbed ends are worked out with, and how what is typed in
// them is read: the fit report's Readouts page and the series window take them alike.
#pragma once

#include <QString>
#include <optional>

#include "core/readouts.h"

class QLineEdit;
class QWidget;

namespace actinfit {

// `value` as the fields show it: its shortest exact form with the decimal separator.
QString ReadoutConstantText(double value);

// A field named `name` showing `value` so.
QLineEdit* ReadoutConstantField(double value, const char* name, QWidget* parent);

// The constants as typed, without taking the focus (the user is still typing); nothing, and in
// `complaint` why, when they are no numbers, Cc is below 0 or k+ not above 0.
std::optional<TReadoutConstants> TypedReadoutConstants(const QLineEdit& cc, const QLineEdit& kplus,
                                                       QString& complaint);

}  // namespace actinfit
