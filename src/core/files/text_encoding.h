// The bytes of a data file as text: UTF-8 (with or without its byte-order mark), UTF-16 little
// or big endian with its byte-order mark, or Windows-1252, as instrument software writes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace actinfit {

// How many bytes at the start of a file decide what it holds: text, UTF-16 or binary data.
inline constexpr size_t kEncodingBlock = size_t{1} << 16;

// The text of `bytes` as UTF-8, without a byte-order mark: the view of `bytes` itself, or of
// `converted` where UTF-16 was converted into it. A code unit that pairs with no other (a lone
// surrogate, an odd last byte) becomes U+FFFD. Bytes that are no UTF-8 are read as Windows-1252,
// the code page of instrument software on Windows, and `note` (when given) says so. Raises
// EInvalidInput naming `fileName` for UTF-16 without a byte-order mark, which no reader can tell
// from binary data for sure.
std::string_view DecodeText(std::string_view bytes, const std::string& fileName,
                            std::string& converted, std::string* note = nullptr);

// At most `most` bytes of UTF-8 `text`, never ending inside a letter.
std::string_view Utf8Prefix(std::string_view text, size_t most);

// Refuses what is no text: a NUL or a control character other than tab, line and page ends
// (and the old end-of-file mark), as in pictures and archives; the message names the line.
void RefuseBinary(std::string_view text, const std::string& fileName);

}  // namespace actinfit
