// The bytes of a data file, read whole up to a size limit, refused early when they are no text.
#pragma once

#include <cstddef>
#include <string>

namespace actinfit {

// The largest data file read; a larger one (or a stream that goes on beyond it) is refused.
inline constexpr size_t kMaxDataFileBytes = size_t{1} << 30;

// The content of the file at `path`. With `textOnly`, the first block decides whether the rest
// is worth reading: binary data is refused after it. A missing or unreadable file, or one above
// kMaxDataFileBytes, raises EInvalidInput naming it.
std::string ReadFileBytes(const std::string& path, bool textOnly);

}  // namespace actinfit
