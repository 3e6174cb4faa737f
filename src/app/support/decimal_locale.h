// The process-wide decimal separator follows the user's locale.
#pragma once

namespace actinfit {

// Sets the separator of number text to the first character of the system locale's decimal
// symbol ('.' when it has none). Called when the window is created and whenever the system
// announces a change of the user's settings.
void ReadSystemDecimalSeparator();

}  // namespace actinfit
