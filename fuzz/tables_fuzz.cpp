// ParseTables on arbitrary bytes (text or workbook): the error naming the file, or tables whose
// every trace holds as many finite times as readings, at least one, and whose every name and
// note is valid UTF-8.
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/files/tables.h"

using namespace actinfit;
using namespace actinfit::files;

namespace {

// Well-formed UTF-8 lead and continuation bytes (the reader's own decoder checks the rest).
bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    if (c >= 0xF0 && c < 0xF8) {
      more = 3;
    } else if (c >= 0xE0) {
      more = c < 0xF0 ? 2 : 9;
    } else if (c >= 0xC0) {
      more = 1;
    } else if (c >= 0x80) {
      return false;
    }
    if (more == 9 || i + more >= text.size() + (more == 0)) return more == 0;
    for (size_t k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += more + 1;
  }
  return true;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TReadOptions options;
  if (size > 0 && data[0] == 'R') options.intervalSeconds = 30;
  TFileTables found;
  try {
    found = ParseTables(bytes, "fuzz.txt", options);
  } catch (const EInvalidInput& e) {
    Check(std::string_view(e.what()).find("'fuzz.txt'") == 0 && IsUtf8(e.what()));
    return 0;
  }
  Check(!found.tables.empty());
  for (const std::string& note : found.notes) Check(IsUtf8(note));
  for (const TKineticTable& table : found.tables) {
    Check(!table.traces.empty() && IsUtf8(table.name));
    for (const std::string& note : table.notes) Check(IsUtf8(note));
    for (const TLeftOut& out : table.leftOut) Check(IsUtf8(out.name) && IsUtf8(out.why));
    for (const TWellTrace& trace : table.traces) {
      Check(IsUtf8(trace.name) && IsUtf8(trace.header));
      Check(!trace.readings.empty() && trace.times.size() == trace.readings.size());
      for (size_t k = 0; k < trace.times.size(); ++k) {
        Check(std::isfinite(trace.times[k]) && trace.times[k] >= 0 &&
              std::isfinite(trace.readings[k]));
      }
      for (const std::string& note : trace.notes) Check(IsUtf8(note));
    }
  }
  return 0;
}
