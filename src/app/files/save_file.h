// Writing a file so that a failure never leaves half of it in place of an older one.
#pragma once

class QByteArray;
class QString;

namespace actinfit {

// Writes `bytes` to a temporary file beside `path` and renames it to `path` once complete.
// Raises an error naming the file when it cannot be written; an older file then stays as it was.
void SaveFile(const QString& path, const QByteArray& bytes);

}  // namespace actinfit
