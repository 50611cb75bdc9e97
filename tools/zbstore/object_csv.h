// Objects as CSV: written for a German spreadsheet (UTF-8 with byte-order mark, ';', CRLF) and
// read back from that or from what spreadsheets save. Pure code, no system calls.
#pragma once
#include <string>
#include <vector>
#include "object_row.h"

// The whole file: byte-order mark, header row, one row an object, each ended by CRLF.
std::string WriteObjectsCsv(const std::vector<ObjectRow> &rows);
// One field as written: quoted where needed, formula-guarded with a leading apostrophe.
std::string CsvField(const std::u16string &text);

struct CsvProblem {
    size_t line = 0;     // 0: the file as a whole
    std::string reason;  // German, UTF-8
};

struct CsvImport {
    std::vector<ObjectRow> rows;          // only filled up to maxRows; rowCount counts them all
    size_t rowCount = 0;
    std::vector<CsvProblem> problems;     // the first kMaxReportedProblems, in file order
    size_t problemCount = 0;              // all of them
    std::vector<std::u16string> ignoredColumns;
    char separator = ';';
    std::string encoding;                 // "UTF-8" or "Windows-1252"
};

constexpr size_t kMaxReportedProblems = 50;

// Reads and validates every row: name and serial number not empty, no field over
// kMaxFieldLength characters, no line break or TAB inside a field. Rows past maxRows are
// checked and counted but not kept.
CsvImport ReadObjectsCsv(const std::string &bytes, size_t maxRows);
