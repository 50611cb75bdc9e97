// Objects read from a table, whichever file it came in (CSV or a spreadsheet's XML): the column
// names both accept, the checks every row passes, and what the import reports. Pure code.
#pragma once
#include <string>
#include <vector>
#include "object_row.h"

enum class Column { Name, SerialNumber, Remark, Category, Other };

// Where the file says nothing about bytes (CSV reports lines only).
constexpr size_t kNoByte = static_cast<size_t>(-1);

struct ImportNote {
    size_t line = 0;        // the file line (CSV) or spreadsheet row (XML); 0: the file as a whole
    size_t byte = kNoByte;  // XML: where the row, cell or fault begins
    std::string reason;     // German, UTF-8
};

enum class TableFormat { Csv, SpreadsheetXml };

struct TableImport {
    std::vector<ObjectRow> rows;          // only filled up to maxRows; rowCount counts them all
    size_t rowCount = 0;
    std::vector<ImportNote> problems;     // the first kMaxReportedProblems, in file order
    size_t problemCount = 0;              // all of them
    // Values a spreadsheet program rewrote (a number, date or formula where text was): imported
    // as they stand, but listed, so the user can check them; --strict refuses the file.
    std::vector<ImportNote> changes;      // the first kMaxReportedProblems, in file order
    size_t changeCount = 0;
    std::vector<std::u16string> ignoredColumns;
    TableFormat format = TableFormat::Csv;
    char separator = ';';                 // CSV
    std::string encoding;                 // CSV: "UTF-8" or "Windows-1252"
    std::u16string worksheet;             // XML: the name of the sheet read
};

constexpr size_t kMaxReportedProblems = 50;

Column ColumnOf(const std::u16string &headerCell);
const char *FieldName(Column column);

// A number as a spreadsheet saves it when its cell shows scientific notation: one digit, a
// decimal separator, digits and a signed exponent ("1.00E+05", "3,56789E+14"). The text the
// user typed is gone; "1E5" or "00123" as Zifferbox wrote them are not of this form.
bool IsSpreadsheetScientific(const std::u16string &text);
// Whether two different values could be one value before and after a spreadsheet read and saved
// it: one in scientific notation, leading zeros or a '+' dropped, digits past the 15th made 0.
bool SpreadsheetRewrote(const std::u16string &a, const std::u16string &b);

void AddProblem(TableImport &result, size_t line, const std::string &reason, size_t byte = kNoByte);
void AddChange(TableImport &result, size_t line, const std::string &reason, size_t byte = kNoByte);

// Maps the header's cells to columns (English or German names, any order); a column named twice
// or a missing Name or Serial is a problem. False when no row can be read with it.
bool ReadHeader(const std::vector<std::u16string> &cells, size_t line, TableImport &result, std::vector<Column> &columns,
                size_t byte = kNoByte);
// One cell into its field of row: no more than kMaxFieldLength characters, no line break or TAB.
void SetField(TableImport &result, ObjectRow &row, Column column, const std::u16string &text, size_t byte = kNoByte);
// A whole row: name and serial number must not be empty. Kept while fewer than maxRows are.
void AddRow(TableImport &result, ObjectRow &&row, size_t maxRows, size_t byte = kNoByte);
