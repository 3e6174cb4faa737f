// The window's fonts, by the names of the layout, resolved to the nearest installed family.
#pragma once

#include <QFont>

namespace actinfit {

// "MS Sans Serif" 8 pt: the window's default font (11 pixels at 96 pixels per inch).
QFont WindowFont(bool bold = false);

// "MS Sans Serif" 10 pt: captions of the parameter rows and page headings.
QFont CaptionFont(bool bold = false);

// "Courier New" 10 pt: the text panes of numbers.
QFont PaneFont();

}  // namespace actinfit
