#include "table_import.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Normalized(const std::u16string &cell)
{
    size_t begin = 0, end = cell.size();
    while (begin < end && IsBlank(cell[begin]))
        ++begin;
    while (end > begin && IsBlank(cell[end - 1]))
        --end;
    std::u16string name = cell.substr(begin, end - begin);
    for (char16_t &c : name)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return name;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool AllDigits(const std::u16string &text, size_t from = 0)
{
    if (from >= text.size())
        return false;
    for (size_t i = from; i < text.size(); ++i)
        if (!IsDigit(text[i]))
            return false;
    return true;
}

// The digits without their leading zeros and a leading '+', the sign kept: what a spreadsheet
// keeps of an integer. Empty for anything else.
std::u16string AsInteger(const std::u16string &text)
{
    size_t at = !text.empty() && (text[0] == u'+' || text[0] == u'-') ? 1 : 0;
    if (!AllDigits(text, at))
        return std::u16string();
    const std::u16string sign = text[0] == u'-' ? u"-" : u"";
    while (at + 1 < text.size() && text[at] == u'0')
        ++at;
    return sign + text.substr(at);
}

// Excel keeps 15 significant digits: "4111111111111111" is saved as "4111111111111110".
bool SameFirstFifteenDigits(const std::u16string &a, const std::u16string &b)
{
    if (a.size() != b.size() || a.size() <= 15 || !AllDigits(a) || !AllDigits(b) || a.compare(0, 15, b, 0, 15) != 0)
        return false;
    const auto zerosAfterFifteen = [](const std::u16string &text) {
        return text.find_first_not_of(u'0', 15) == std::u16string::npos;
    };
    return zerosAfterFifteen(a) || zerosAfterFifteen(b);
}

bool LooksNumeric(const std::u16string &text)
{
    return !text.empty() && text.find_first_not_of(u"0123456789+-.,Ee") == std::u16string::npos;
}

void AddNote(std::vector<ImportNote> &notes, size_t &count, size_t line, const std::string &reason, size_t byte)
{
    if (notes.size() < kMaxReportedProblems)
        notes.push_back(ImportNote{line, byte, reason});
    ++count;
}

}  // namespace

bool IsSpreadsheetScientific(const std::u16string &text)
{
    size_t at = !text.empty() && text[0] == u'-' ? 1 : 0;
    const auto digits = [&] {
        const size_t from = at;
        while (at < text.size() && IsDigit(text[at]))
            ++at;
        return at > from;
    };
    if (text.size() < at + 2 || !IsDigit(text[at]) || (text[at + 1] != u'.' && text[at + 1] != u','))
        return false;
    at += 2;
    if (!digits() || text.size() < at + 2 || (text[at] != u'E' && text[at] != u'e') ||
        (text[at + 1] != u'+' && text[at + 1] != u'-'))
        return false;
    at += 2;
    return digits() && at == text.size();
}

bool SpreadsheetRewrote(const std::u16string &a, const std::u16string &b)
{
    if (a == b)
        return false;
    if ((IsSpreadsheetScientific(a) && LooksNumeric(b)) || (IsSpreadsheetScientific(b) && LooksNumeric(a)))
        return true;
    const std::u16string integerA = AsInteger(a);
    return (!integerA.empty() && integerA == AsInteger(b)) || SameFirstFifteenDigits(a, b);
}

Column ColumnOf(const std::u16string &headerCell)
{
    const std::u16string name = Normalized(headerCell);
    if (name == u"name")
        return Column::Name;
    if (name == u"seriennummer" || name == u"serial" || name == u"serial number" || name == u"serialnumber" ||
        name == u"seriennr." || name == u"seriennr")
        return Column::SerialNumber;
    if (name == u"bemerkung" || name == u"bemerkungen" || name == u"remark" || name == u"notes" || name == u"note")
        return Column::Remark;
    if (name == u"kategorie" || name == u"category")
        return Column::Category;
    return Column::Other;
}

const char *FieldName(Column column)
{
    switch (column) {
    case Column::Name: return "Name";
    case Column::SerialNumber: return "Seriennummer";
    case Column::Remark: return "Bemerkung";
    case Column::Category: return "Kategorie";
    default: return "";
    }
}

void AddProblem(TableImport &result, size_t line, const std::string &reason, size_t byte)
{
    AddNote(result.problems, result.problemCount, line, reason, byte);
}

void AddChange(TableImport &result, size_t line, const std::string &reason, size_t byte)
{
    AddNote(result.changes, result.changeCount, line, reason, byte);
}

bool ReadHeader(const std::vector<std::u16string> &cells, size_t line, TableImport &result, std::vector<Column> &columns,
                size_t byte)
{
    bool seen[4] = {};
    columns.clear();
    for (const std::u16string &cell : cells) {
        Column column = ColumnOf(cell);
        if (column != Column::Other && seen[static_cast<int>(column)]) {
            AddProblem(result, line, std::string("Die Spalte ") + FieldName(column) + " steht zweimal in der Kopfzeile.", byte);
            column = Column::Other;
        } else if (column != Column::Other) {
            seen[static_cast<int>(column)] = true;
        } else {
            result.ignoredColumns.push_back(cell);
        }
        columns.push_back(column);
    }
    if (seen[static_cast<int>(Column::Name)] && seen[static_cast<int>(Column::SerialNumber)])
        return true;
    AddProblem(result, line,
               "Die Kopfzeile braucht die Spalten Name und Seriennummer (oder Serial), "
               "dazu nach Wunsch Bemerkung (Remark, Notes) und Kategorie (Category).",
               byte);
    return false;
}

void SetField(TableImport &result, ObjectRow &row, Column column, const std::u16string &text, size_t byte)
{
    switch (column) {
    case Column::Name: row.name = text; break;
    case Column::SerialNumber: row.serialNumber = text; break;
    case Column::Remark: row.remark = text; break;
    case Column::Category: row.category = text; break;
    case Column::Other: return;
    }
    if (text.size() > kMaxFieldLength)
        AddProblem(result, row.line,
                   std::string(FieldName(column)) + " hat " + std::to_string(text.size()) + " Zeichen, höchstens " +
                       std::to_string(kMaxFieldLength) + " sind möglich.",
                   byte);
    if (text.find_first_of(u"\r\n\t") != std::u16string::npos)
        AddProblem(result, row.line, std::string(FieldName(column)) + " enthält einen Zeilenumbruch oder Tabulator.", byte);
}

void AddRow(TableImport &result, ObjectRow &&row, size_t maxRows, size_t byte)
{
    if (row.name.empty())
        AddProblem(result, row.line, "Der Name fehlt.", byte);
    if (row.serialNumber.empty())
        AddProblem(result, row.line, "Die Seriennummer fehlt.", byte);
    if (result.rows.size() < maxRows)
        result.rows.push_back(std::move(row));
    ++result.rowCount;
}
