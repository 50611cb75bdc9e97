#include "object_csv.h"
#include "text_encoding.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsFormulaStart(char16_t c) { return c == u'=' || c == u'@'; }

// A spreadsheet runs a cell beginning with '=' or '@' as a formula. Such a field gets one
// leading apostrophe, and so does one that already begins with an apostrophe before either (or
// before another apostrophe), so that removing one on import gives back exactly the field.
bool NeedsFormulaGuard(const std::u16string &text)
{
    if (text.empty())
        return false;
    if (IsFormulaStart(text[0]))
        return true;
    return text[0] == u'\'' && text.size() > 1 && (IsFormulaStart(text[1]) || text[1] == u'\'');
}

std::u16string RemoveFormulaGuard(const std::u16string &text)
{
    return NeedsFormulaGuard(text.substr(text.empty() ? 0 : 1)) && text[0] == u'\'' ? text.substr(1) : text;
}

bool NeedsQuotes(const std::u16string &text)
{
    if (text.find_first_of(u";\"\r\n") != std::u16string::npos)
        return true;
    return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

// ---- Reading ----------------------------------------------------------------------------------

struct Record {
    std::vector<std::u16string> cells;
    size_t line = 0;
};

// Splits decoded text into records. Quoted cells may hold separators, doubled quotes and line
// breaks; a record ends at CR LF, LF or CR outside quotes.
class CsvScanner {
public:
    CsvScanner(const std::u16string &text, char16_t separator) : text_(text), separator_(separator) {}

    // False at the end of the text. problem is set when the record is malformed.
    bool Next(Record &record, std::string &problem)
    {
        record.cells.assign(1, std::u16string());
        record.line = line_;
        problem.clear();
        if (at_ >= text_.size())
            return false;
        while (at_ < text_.size()) {
            const char16_t c = text_[at_];
            if (c == u'"' && record.cells.back().empty() && !quotedCell_) {
                if (!ReadQuoted(record.cells.back(), problem))
                    return true;
                quotedCell_ = true;
                continue;
            }
            if (c == separator_) {
                record.cells.emplace_back();
                quotedCell_ = false;
                ++at_;
                continue;
            }
            if (c == u'\r' || c == u'\n') {
                EndLine();
                quotedCell_ = false;
                return true;
            }
            if (quotedCell_) {
                problem = "Text nach dem schließenden Anführungszeichen eines Feldes.";
                SkipToLineEnd();
                return true;
            }
            record.cells.back() += c;
            ++at_;
        }
        quotedCell_ = false;
        return true;
    }

private:
    void EndLine()
    {
        if (text_[at_] == u'\r' && at_ + 1 < text_.size() && text_[at_ + 1] == u'\n')
            ++at_;
        ++at_;
        ++line_;
    }

    void SkipToLineEnd()
    {
        while (at_ < text_.size() && text_[at_] != u'\r' && text_[at_] != u'\n')
            ++at_;
        if (at_ < text_.size())
            EndLine();
        quotedCell_ = false;
    }

    bool ReadQuoted(std::u16string &cell, std::string &problem)
    {
        const size_t startLine = line_;
        ++at_;
        while (at_ < text_.size()) {
            const char16_t c = text_[at_];
            if (c == u'"') {
                if (at_ + 1 < text_.size() && text_[at_ + 1] == u'"') {
                    cell += u'"';
                    at_ += 2;
                    continue;
                }
                ++at_;
                return true;
            }
            if (c == u'\r' || c == u'\n') {
                // Line breaks inside quotes belong to the cell but still count as file lines.
                const bool crlf = c == u'\r' && at_ + 1 < text_.size() && text_[at_ + 1] == u'\n';
                cell += c;
                if (crlf)
                    cell += u'\n';
                at_ += crlf ? 2 : 1;
                ++line_;
                continue;
            }
            cell += c;
            ++at_;
        }
        problem = "Anführungszeichen ab Zeile " + std::to_string(startLine) + " wird nie geschlossen.";
        return false;
    }

    const std::u16string &text_;
    const char16_t separator_;
    size_t at_ = 0;
    size_t line_ = 1;
    bool quotedCell_ = false;
};

// The header's separator: the one of ';', ',' and TAB that makes the most known column names
// of the first record, ';' first on a tie.
char16_t DetectSeparator(const std::u16string &text)
{
    char16_t best = u';';
    int bestKnown = -1;
    for (char16_t candidate : {u';', u',', u'\t'}) {
        CsvScanner scanner(text, candidate);
        Record header;
        std::string problem;
        if (!scanner.Next(header, problem))
            return u';';
        int known = 0;
        for (const std::u16string &cell : header.cells)
            known += ColumnOf(cell) != Column::Other;
        if (known > bestKnown)
            best = candidate, bestKnown = known;
    }
    return best;
}

bool Decode(const std::string &bytes, TableImport &result, std::u16string &text)
{
    size_t bad = 0;
    if (bytes.compare(0, 3, kByteOrderMark) == 0) {
        result.encoding = "UTF-8";
        if (DecodeUtf8(bytes.data() + 3, bytes.size() - 3, text, bad))
            return true;
        AddProblem(result, 0, "Ungültiges UTF-8 an Byte " + std::to_string(bad + 3) + ".");
        return false;
    }
    if (DecodeUtf8(bytes.data(), bytes.size(), text, bad)) {
        result.encoding = "UTF-8";
        return true;
    }
    const size_t badUtf8 = bad;
    if (DecodeWindows1252(bytes.data(), bytes.size(), text, bad)) {
        result.encoding = "Windows-1252";
        return true;
    }
    AddProblem(result, 0, "Die Datei ist weder UTF-8 (Byte " + std::to_string(badUtf8) + ") noch Windows-1252 (Byte " +
                              std::to_string(bad) + ").");
    return false;
}

}  // namespace

std::string CsvField(const std::u16string &text)
{
    const std::u16string guarded = NeedsFormulaGuard(text) ? u"'" + text : text;
    if (!NeedsQuotes(guarded))
        return ToUtf8(guarded);
    std::string field = "\"";
    for (char16_t c : guarded) {
        if (c == u'"')
            field += '"';
        AppendUtf8(field, std::u16string(1, c));
    }
    return field + "\"";
}

std::string WriteObjectsCsv(const std::vector<ObjectRow> &rows)
{
    std::string csv = kByteOrderMark;
    csv += "Name;Seriennummer;Bemerkung;Kategorie\r\n";
    for (const ObjectRow &row : rows) {
        csv += CsvField(row.name) + ';' + CsvField(row.serialNumber) + ';' + CsvField(row.remark) + ';' +
               CsvField(row.category) + "\r\n";
    }
    return csv;
}

TableImport ReadObjectsCsv(const std::string &bytes, size_t maxRows)
{
    TableImport result;
    std::u16string text;
    if (bytes.empty()) {
        AddProblem(result, 0, "Die Datei ist leer.");
        return result;
    }
    if (!Decode(bytes, result, text))
        return result;
    const size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) {
        size_t line = 1;
        for (size_t i = 0; i < nul; ++i)
            line += text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'));
        AddProblem(result, line, "Die Datei enthält ein NUL-Zeichen: sie ist keine Textdatei.");
        return result;
    }

    const char16_t separator = DetectSeparator(text);
    result.separator = static_cast<char>(separator);
    CsvScanner scanner(text, separator);
    Record header;
    std::string problem;
    if (!scanner.Next(header, problem) || !problem.empty()) {
        AddProblem(result, header.line, problem.empty() ? "Die Datei hat keine Kopfzeile." : problem);
        return result;
    }
    std::vector<Column> columns;
    if (!ReadHeader(header.cells, header.line, result, columns))
        return result;

    Record record;
    while (scanner.Next(record, problem)) {
        if (!problem.empty()) {
            AddProblem(result, record.line, problem);
            continue;
        }
        bool empty = true;
        for (const std::u16string &cell : record.cells)
            empty = empty && cell.empty();
        if (empty)
            continue;  // a blank line, or one a spreadsheet filled with separators only
        ObjectRow row;
        row.line = record.line;
        for (size_t i = 0; i < record.cells.size(); ++i) {
            if (i >= columns.size()) {
                if (!record.cells[i].empty())
                    AddProblem(result, record.line, "Mehr Felder als Spalten in der Kopfzeile.");
                continue;
            }
            const std::u16string cell = RemoveFormulaGuard(record.cells[i]);
            SetField(result, row, columns[i], cell);
            if (columns[i] != Column::Other && IsSpreadsheetScientific(cell))
                AddChange(result, record.line,
                          std::string(FieldName(columns[i])) + " \"" + ToUtf8(cell) +
                              "\" steht in der wissenschaftlichen Schreibweise einer Tabellenkalkulation.");
        }
        AddRow(result, std::move(row), maxRows);
    }
    return result;
}
