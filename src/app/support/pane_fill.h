// Filling a text pane with many lines at once.
#pragma once

#include <cstdint>
#include <string>

class QPlainTextEdit;

namespace actinfit {

// Up to this many lines, every line of a filled pane is a paragraph of its own, exactly as
// typed or pasted text would be.
inline constexpr int32_t kParagraphPerLineUpTo = 10000;

// Lines per paragraph in a larger pane: a paragraph costs the pane microseconds to insert, a
// million of them seconds, while a line separator within a paragraph costs nothing. The pane
// shows and reads lines the same either way.
inline constexpr int32_t kLinesPerParagraph = 32;

// Replaces the text of `pane` by `lines`, lines separated by '\n' (none after the last).
void FillPane(QPlainTextEdit& pane, const std::string& lines);

}  // namespace actinfit
