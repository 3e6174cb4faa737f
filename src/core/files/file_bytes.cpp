#include "core/files/file_bytes.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/errors.h"
#include "core/files/text_encoding.h"

namespace actinfit {

namespace {

[[noreturn]] void TooLarge(const std::string& path) {
  throw EInvalidInput("'" + path + "' is larger than 1 GiB, more than a data file holds");
}

}  // namespace

std::string ReadFileBytes(const std::string& path, bool textOnly) {
  const auto fail = [&path] {
    throw EInvalidInput("Cannot read '" + path + "': " + std::strerror(errno));
  };
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) fail();
  struct stat status {};
  if (fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<uint64_t>(status.st_size) > kMaxDataFileBytes) {
    TooLarge(path);
  }
  // An endless stream of zeros is refused after the first block, an endless text at the limit.
  std::string bytes(kEncodingBlock, '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  if (std::ferror(file.get())) fail();
  if (textOnly) {
    std::string converted;
    RefuseBinary(DecodeText(bytes, path, converted), path);
  }
  std::array<char, 1 << 16> chunk;
  while (!std::feof(file.get())) {
    const size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (std::ferror(file.get())) fail();
    if (bytes.size() + got > kMaxDataFileBytes) TooLarge(path);
    bytes.append(chunk.data(), got);
  }
  return bytes;
}

}  // namespace actinfit
