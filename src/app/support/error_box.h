// The error box, and the one guard every handler runs in: an error ends the handler, the user
// sees its message, and the window goes on.
#pragma once

#include <QString>
#include <functional>
#include <string>

namespace actinfit {

// The program file's name without its directory ("actinfit").
QString ProgramFileName();

// The caption of the error box: the program file's name cut at its first '.', every character
// after the first in lower case.
QString ApplicationTitle();
QString TitleFromFileName(const QString& fileName);

// The text the error box shows for an error message: a full stop is appended when the last
// character sorts after '.'.
QString ErrorBoxText(const std::string& message);

// Receives every box instead of a modal dialog; tests install one so that nothing blocks.
using ErrorBoxSink = std::function<void(const QString& caption, const QString& text)>;

// Installs `sink` (an empty one restores the real boxes) and returns the one it replaces.
ErrorBoxSink SetErrorBoxSink(ErrorBoxSink sink);

// Shows one box with an OK button and a stop icon.
void ShowErrorBox(const QString& caption, const QString& text);

// Shows the box for one error that ended a handler (a failed square root first shows its own
// notice, captioned with the program file's name).
void ShowError(const std::exception& error);

// Runs `handler`; whatever it throws is shown and goes no further.
void RunGuarded(const std::function<void()>& handler) noexcept;

}  // namespace actinfit
