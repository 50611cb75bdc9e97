// Objects as CSV: written for a German spreadsheet (UTF-8 with byte-order mark, ';', CRLF) and
// read back from that or from what spreadsheets save. Pure code, no system calls.
#pragma once
#include <string>
#include <vector>
#include "object_row.h"
#include "table_import.h"

// The whole file: byte-order mark, header row, one row an object, each ended by CRLF.
std::string WriteObjectsCsv(const std::vector<ObjectRow> &rows);
// One field as written: quoted where needed, formula-guarded with a leading apostrophe.
std::string CsvField(const std::u16string &text);

// Reads and validates every row: name and serial number not empty, no field over
// kMaxFieldLength characters, no line break or TAB inside a field. Rows past maxRows are
// checked and counted but not kept. Values in a spreadsheet's scientific notation are listed
// as changes.
TableImport ReadObjectsCsv(const std::string &bytes, size_t maxRows);
