// Delimited text files of numeric columns, as instruments and spreadsheets write them: comma,
// semicolon, tab or blanks between the columns; '.' or ',' as the decimal mark; header and
// comment lines; UTF-8 with or without a byte-order mark; CR LF or LF line ends. The window's
// Open data and the batch program read files through this one reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace actinfit {

// The numeric columns of one file, all of the same length. Columns[0] is the time.
struct TDataTable {
  // One per column: the header's name for it, or empty where the file has no header line.
  std::vector<std::string> Names;
  std::vector<std::vector<double>> Columns;
  // The file line (1-based) each row came from, for messages about a row.
  std::vector<int32_t> Lines;
  // What the file was found to use: ',', ';', '\t' or ' ' (runs of blanks and tabs) between
  // the columns, and '.' or ',' as the decimal mark ('.' when no number has a decimal mark).
  char Separator = ' ';
  char DecimalMark = '.';
};

// Reads `text` (the whole content of a file called `fileName`, used in messages only).
// A row is a line of at least two fields that are all numbers; every other line (a header, a
// unit, a note, an empty or partly filled line) is skipped, and the last such line before the
// first row names the columns. Lines starting with '#', '%', '!' or "//" are comments, never
// names. The separator and the decimal mark are decided once for the whole file.
// Raises EInvalidInput whose message names the file and, where it applies, the line: no two
// numeric columns, a binary file, a number beyond the range of a 64-bit real, ...
TDataTable ParseDataText(std::string_view text, const std::string& fileName);

// Reads the file at `path`; a missing or unreadable file raises EInvalidInput naming it.
TDataTable ReadDataFile(const std::string& path);

}  // namespace actinfit
