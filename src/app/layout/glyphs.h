// The small pictures of the tool-bar buttons.
#pragma once

#include <QIcon>
#include <QString>

namespace actinfit {

// The glyph stored as `name` (e.g. "apply"), with its bottom-left pixel's colour made
// transparent. A glyph twice as wide as high holds the normal image and the disabled one side
// by side when `twoImages` is set.
QIcon Glyph(const QString& name, bool twoImages = false);

}  // namespace actinfit
