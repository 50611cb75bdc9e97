// Objects read from a table, whichever file it came in: the column names, the checks every row
// passes, and what the import reports. Pure code.
#pragma once
#include <string>
#include <vector>
#include "object_row.h"

enum class Column { Name, SerialNumber, Remark, Category, Other };

struct ImportNote {
    size_t line = 0;     // 0: the file as a whole
    std::string reason;  // German, UTF-8
};

struct TableImport {
    std::vector<ObjectRow> rows;          // only filled up to maxRows; rowCount counts them all
    size_t rowCount = 0;
    std::vector<ImportNote> problems;     // the first kMaxReportedProblems, in file order
    size_t problemCount = 0;              // all of them
    std::vector<std::u16string> ignoredColumns;
    char separator = ';';
    std::string encoding;                 // "UTF-8" or "Windows-1252"
};

constexpr size_t kMaxReportedProblems = 50;

Column ColumnOf(const std::u16string &headerCell);
const char *FieldName(Column column);

void AddProblem(TableImport &result, size_t line, const std::string &reason);

// Maps the header's cells to columns (English or German names, any order); a column named twice
// or a missing Name or Serial is a problem. False when no row can be read with it.
bool ReadHeader(const std::vector<std::u16string> &cells, size_t line, TableImport &result, std::vector<Column> &columns);
// One cell into its field of row: no more than kMaxFieldLength characters, no line break or TAB.
void SetField(TableImport &result, ObjectRow &row, Column column, const std::u16string &text);
// A whole row: name and serial number must not be empty. Kept while fewer than maxRows are.
void AddRow(TableImport &result, ObjectRow &&row, size_t maxRows);
