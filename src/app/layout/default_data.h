// The example data set the window starts with, stored as resources.
#pragma once

#include <QString>

namespace actinfit {

QString DefaultTimeText();   // 1201 times, 0 to 1200
QString DefaultDataText();   // 1201 readings
QString DefaultModelText();  // 1201 numbers, replaced by the first calculation

}  // namespace actinfit
