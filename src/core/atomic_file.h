// Writing a file so that a failure never leaves half of it in place of an older one: the bytes
// go to a temporary file in the same folder, flushed to the disk, then renamed over the old one.
#pragma once

#include <string>
#include <string_view>

namespace actinfit {

// Raises Error naming the file and the reason when it cannot be written; the older file, if
// any, then stays as it was and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace actinfit
