// Help > About: the program's version, its model in one paragraph, the libraries and their
// licences.
#pragma once

class QString;
class QWidget;

namespace actinfit {

QString AboutText();
void ShowAbout(QWidget* parent);

}  // namespace actinfit
