// Notes beside the window after a file has opened, which wait for nothing: how its times were
// read, the G-actin its header named.
#pragma once

class QString;
class QWidget;

namespace actinfit {

// A box beside `parent` that shows `text` (a sentence) until the user closes it, named
// `objectName` so that it can be found.
void ShowNoteBeside(QWidget* parent, const QString& objectName, const QString& text);

// "G-actin set to 8 µM from the header 'A4 8 uM'." (objectName "mbGActinNote").
void ShowGActinNote(QWidget* parent, const QString& gActin, const QString& header);

}  // namespace actinfit
