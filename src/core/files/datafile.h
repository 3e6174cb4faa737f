// Delimited text files of numeric columns, as instruments and spreadsheets write them: comma,
// semicolon, tab or blanks between the columns; '.' or ',' as the decimal mark; header and
// comment lines; UTF-8 with or without a byte-order mark, or UTF-16 with one; CR LF or LF line
// ends; times in seconds, minutes or hours, or as clock times; empty cells and the marks
// instruments write for a missing reading. The window's Open data and the batch program read
// files through this one reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/file_bytes.h"

namespace actinfit {

// The numeric columns of one file, all of the same length. Columns[0] is the time, in seconds.
struct TDataTable {
  // The file's name as the reader was given it, for messages.
  std::string FileName;
  // One per column: the header's name for it, or empty where the file has no header line.
  std::vector<std::string> Names;
  // Columns[0] always holds a time; a reading is not-a-number where its cell is empty or holds
  // a mark for a missing reading ("OVRFLW", "*", "-", "NaN", "n.a.", ...).
  std::vector<std::vector<double>> Columns;
  // The file line (1-based) each row came from, for messages about a row.
  std::vector<int32_t> Lines;
  // Lines between the first and the last row that are no rows (a time that is not a number, a
  // note), left out of every column.
  std::vector<int32_t> SkippedLines;
  // How the times were converted to seconds, empty when they are plain seconds: "times in
  // minutes ('Time [min]') converted to seconds", "clock times (h:mm:ss) read as seconds".
  std::string TimeNote;
  // What the file was found to use: ',', ';', '\t' or ' ' (runs of blanks and tabs) between
  // the columns, and '.' or ',' as the decimal mark ('.' when no number has a decimal mark).
  char Separator = ' ';
  char DecimalMark = '.';
};

// Reads `text` (the whole content of a file called `fileName`, used in messages only).
// A row is a line of at least two cells whose first is a time and whose others are numbers or
// missing readings; every other line (a header, a unit, a note, an empty line) is skipped, and
// the last such line before the first row names the columns. Lines starting with '#', '%', '!'
// or "//" are comments, never names. The separator and the decimal mark are decided once for
// the whole file. Raises EInvalidInput whose message names the file, what was found and, where
// it applies, the line: no two numeric columns, a binary file, a number beyond the range of a
// 64-bit real, a time that is none, a unit of time that is none, ...
TDataTable ParseDataText(std::string_view text, const std::string& fileName);

// Reads the file at `path`, deciding from its first block whether it holds text; a missing or
// unreadable file, or one above kMaxDataFileBytes, raises EInvalidInput naming it.
TDataTable ReadDataFile(const std::string& path);

// The points of readings column `column`: every row whose reading is present.
struct TColumnPoints {
  std::vector<double> time;
  std::vector<double> readings;
  std::vector<int32_t> lines;         // the file line of each point
  std::vector<int32_t> missingLines;  // the rows left out: their reading is missing
};

// Raises EInvalidInput naming the file and the column when no reading of it is present.
TColumnPoints ColumnPoints(const TDataTable& table, size_t column);

// The column as messages name it: "column 3 ('A2')", or "column 3" without a header (counted
// from 1, the time being column 1).
std::string ColumnLabel(const TDataTable& table, size_t column);

}  // namespace actinfit
