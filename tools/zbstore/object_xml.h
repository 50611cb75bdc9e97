// Objects as a spreadsheet file: SpreadsheetML 2003, the one-file XML workbook that Excel and
// LibreOffice open directly, with every cell typed as text so that no serial number becomes a
// number or a date; and read back as those programs save it. Pure code, no system calls.
#pragma once
#include <string>
#include <vector>
#include "object_row.h"
#include "table_import.h"

// One sheet "Objekte": a bold header row Name, Seriennummer, Bemerkung, Kategorie, then the
// rows in the order given, every cell a String (a value beginning with '=' stays text).
std::string WriteObjectsXml(const std::vector<ObjectRow> &rows);
// The first row holding a character no XML file can carry (a control character), or null.
const ObjectRow *FirstRowXmlCannotHold(const std::vector<ObjectRow> &rows);

// True when the bytes begin, after a byte-order mark and blanks, with '<'.
bool LooksLikeXml(const std::string &bytes);
// Reads the sheet named "Objekte", or else the first, with the rules of ReadObjectsCsv but
// nothing stripped from the values. Rows are the spreadsheet's (ss:Index counted), problems
// carry the byte where their row or cell begins. A cell of a type other than String, or with a
// formula, is listed as a change.
TableImport ReadObjectsXml(const std::string &bytes, size_t maxRows);
