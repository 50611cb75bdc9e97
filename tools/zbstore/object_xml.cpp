#include "object_xml.h"
#include <algorithm>
#include <memory>
#include "object_html.h"
#include "text_encoding.h"
#include "xml_reader.h"

namespace {

const char kSpreadsheet[] = "urn:schemas-microsoft-com:office:spreadsheet";
constexpr size_t kMaxColumn = 16384;  // the widest sheet the spreadsheet programs make
constexpr size_t kMaxRow = 1048576;   // and the longest
constexpr size_t kMaxColumnWidth = 400;  // points, about 65 characters

// The text format "@" also for the cells a user fills in later, so they stay text too.
const char kWorkbookStart[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<?mso-application progid=\"Excel.Sheet\"?>\r\n"
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\r\n"
    " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\r\n"
    " <Styles>\r\n"
    "  <Style ss:ID=\"Default\" ss:Name=\"Normal\"><NumberFormat ss:Format=\"@\"/></Style>\r\n"
    "  <Style ss:ID=\"Kopf\"><Font ss:Bold=\"1\"/><NumberFormat ss:Format=\"@\"/></Style>\r\n"
    " </Styles>\r\n"
    " <Worksheet ss:Name=\"Objekte\">\r\n"
    "  <Table>\r\n";
const char kWorkbookEnd[] = "  </Table>\r\n </Worksheet>\r\n</Workbook>\r\n";

bool XmlCanHold(char16_t c) { return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == u'\t' || c == u'\n' || c == u'\r'; }

// Escaped as HTML is; TAB, CR and LF as character references, which an XML reader keeps as they
// are (it reads a literal CR as LF).
std::string XmlText(const std::u16string &text)
{
    std::string escaped;
    size_t from = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\t' && text[i] != u'\r' && text[i] != u'\n')
            continue;
        escaped += HtmlEscaped(text.substr(from, i - from));
        if (i < text.size())
            escaped += "&#" + std::to_string(static_cast<int>(text[i])) + ";";
        from = i + 1;
    }
    return escaped;
}

std::string XmlRow(const std::u16string *const (&fields)[4], const char *cellStart)
{
    std::string row = "   <Row>";
    for (const std::u16string *field : fields)
        row += std::string(cellStart) + "<Data ss:Type=\"String\">" + XmlText(*field) + "</Data></Cell>";
    return row + "</Row>\r\n";
}

// ---- Reading ----------------------------------------------------------------------------------

// A whole number of an attribute such as ss:Index, from 0 to limit.
bool ReadNumber(const std::u16string &text, size_t limit, size_t &number)
{
    number = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        number = number * 10 + (c - u'0');
        if (number > limit)
            return false;
    }
    return !text.empty();
}

struct Cell {
    size_t column = 0;
    size_t byte = 0;
    std::u16string text;
    bool hasData = false;
    std::u16string type;     // ss:Type of its Data
    std::u16string formula;  // ss:Formula
};

// The rows of one worksheet, from the events of its Table: the first row with text is the
// header, rows without text are skipped.
class SheetReader {
public:
    SheetReader(const std::u16string &name, size_t maxRows) : maxRows_(maxRows)
    {
        table_.format = TableFormat::SpreadsheetXml;
        table_.worksheet = name;
    }

    // Depths count Workbook as 1 and Worksheet as 2.
    void Start(const XmlReader &xml)
    {
        const bool spreadsheet = xml.NamespaceUri() == kSpreadsheet;
        const size_t depth = xml.Depth();
        if (depth == 3 && spreadsheet && xml.LocalName() == "Table")
            inTable_ = true;
        else if (depth == 4 && inTable_ && spreadsheet && xml.LocalName() == "Row")
            StartRow(xml);
        else if (depth == 5 && rowOpen_ && spreadsheet && xml.LocalName() == "Cell")
            StartCell(xml);
        else if (depth == 6 && cellOpen_ && spreadsheet && xml.LocalName() == "Data")
            StartData(xml);
    }

    // Text of a Data element, also inside its rich-text children; a Comment's is not. False when
    // the cell grows beyond what any spreadsheet holds.
    bool AddText(const XmlReader &xml)
    {
        if (!dataOpen_)
            return true;
        cell_.text += xml.Text();
        if (cell_.text.size() <= kMaxXmlText)
            return true;
        AddProblem(table_, row_.number, "Die Zelle hat mehr als " + std::to_string(kMaxXmlText) + " Zeichen.", cell_.byte);
        return false;
    }

    void End(size_t depth)
    {
        if (depth == 6 && dataOpen_) {
            dataOpen_ = false;
        } else if (depth == 5 && cellOpen_) {
            cellOpen_ = false;
            cells_.push_back(std::move(cell_));
        } else if (depth == 4 && rowOpen_) {
            rowOpen_ = false;
            EndRow();
        } else if (depth == 3) {
            inTable_ = false;
        }
    }

    TableImport Finish()
    {
        if (!headerRead_)
            AddProblem(table_, 0, "Das Tabellenblatt \"" + ToUtf8(table_.worksheet) + "\" hat keine Kopfzeile.");
        return std::move(table_);
    }

private:
    struct Row {
        size_t number = 0;
        size_t byte = 0;
    };

    void StartRow(const XmlReader &xml)
    {
        row_ = Row{lastRow_ + 1, xml.Offset()};
        size_t span = 0;
        if (const std::u16string *index = xml.Attribute(kSpreadsheet, "Index")) {
            size_t number = 0;
            if (ReadNumber(*index, kMaxRow, number) && number > lastRow_)
                row_.number = number;
            else
                AddProblem(table_, row_.number,
                           "ss:Index=\"" + ToUtf8(*index) + "\" ist keine Zeilennummer nach Zeile " +
                               std::to_string(lastRow_) + " (höchstens " + std::to_string(kMaxRow) + ").",
                           row_.byte);
        }
        if (const std::u16string *repeated = xml.Attribute(kSpreadsheet, "Span"))
            if (!ReadNumber(*repeated, kMaxRow, span))
                AddProblem(table_, row_.number, "ss:Span=\"" + ToUtf8(*repeated) + "\" ist keine Anzahl.", row_.byte);
        lastRow_ = std::min(row_.number + span, kMaxRow);
        rowOpen_ = true;
        nextColumn_ = 1;
        cells_.clear();
    }

    void StartCell(const XmlReader &xml)
    {
        cell_ = Cell();
        cell_.column = nextColumn_;
        cell_.byte = xml.Offset();
        if (const std::u16string *index = xml.Attribute(kSpreadsheet, "Index")) {
            size_t column = 0;
            if (ReadNumber(*index, kMaxColumn, column) && column >= nextColumn_)
                cell_.column = column;
            else
                AddProblem(table_, row_.number,
                           "ss:Index=\"" + ToUtf8(*index) + "\" ist keine Spaltennummer nach Spalte " +
                               std::to_string(nextColumn_ - 1) + " (höchstens " + std::to_string(kMaxColumn) + ").",
                           cell_.byte);
        }
        size_t merged = 0;
        if (const std::u16string *across = xml.Attribute(kSpreadsheet, "MergeAcross"))
            if (!ReadNumber(*across, kMaxColumn, merged))
                AddProblem(table_, row_.number, "ss:MergeAcross=\"" + ToUtf8(*across) + "\" ist keine Anzahl.", cell_.byte);
        if (cell_.column > kMaxColumn)
            AddProblem(table_, row_.number, "Eine Zelle liegt rechts der Spalte " + std::to_string(kMaxColumn) + ".",
                       cell_.byte);
        if (const std::u16string *formula = xml.Attribute(kSpreadsheet, "Formula"))
            cell_.formula = *formula;
        // A merged cell covers the columns right of it: the next cell begins after them.
        nextColumn_ = cell_.column + merged + 1;
        cellOpen_ = true;
    }

    void StartData(const XmlReader &xml)
    {
        const std::u16string *type = xml.Attribute(kSpreadsheet, "Type");
        cell_.hasData = true;
        cell_.type = type ? *type : std::u16string();
        dataOpen_ = true;
    }

    void EndRow()
    {
        bool hasText = false;
        for (const Cell &cell : cells_)
            hasText = hasText || !cell.text.empty();
        if (!hasText)
            return;
        if (!headerRead_) {
            std::vector<std::u16string> names;
            for (const Cell &cell : cells_) {
                names.resize(std::min(cell.column, kMaxColumn));
                names[names.size() - 1] = cell.text;
            }
            headerRead_ = true;
            headerFits_ = ReadHeader(names, row_.number, table_, columns_, row_.byte);
            return;
        }
        if (!headerFits_)
            return;
        ObjectRow object;
        object.line = row_.number;
        for (const Cell &cell : cells_) {
            if (cell.column > columns_.size()) {
                if (!cell.text.empty())
                    AddProblem(table_, row_.number, "Mehr Felder als Spalten in der Kopfzeile.", cell.byte);
                continue;
            }
            const Column column = columns_[cell.column - 1];
            if (column == Column::Other)
                continue;
            SetField(table_, object, column, cell.text, cell.byte);
            const std::string field = FieldName(column);
            if (!cell.formula.empty())
                AddChange(table_, row_.number,
                          field + ": die Zelle hat die Formel \"" + ToUtf8(cell.formula) + "\" (Wert \"" +
                              ToUtf8(cell.text) + "\").",
                          cell.byte);
            else if (cell.hasData && cell.type != u"String")
                AddChange(table_, row_.number,
                          field + ": die Zelle hat den Typ \"" + ToUtf8(cell.type) + "\" statt Text (Wert \"" +
                              ToUtf8(cell.text) + "\").",
                          cell.byte);
        }
        AddRow(table_, std::move(object), maxRows_, row_.byte);
    }

    TableImport table_;
    const size_t maxRows_;
    std::vector<Column> columns_;
    bool headerRead_ = false, headerFits_ = false;
    bool inTable_ = false, rowOpen_ = false, cellOpen_ = false, dataOpen_ = false;
    size_t lastRow_ = 0;
    size_t nextColumn_ = 1;
    Row row_;
    Cell cell_;
    std::vector<Cell> cells_;
};

TableImport Refused(size_t byte, const std::string &reason)
{
    TableImport refused;
    refused.format = TableFormat::SpreadsheetXml;
    AddProblem(refused, 0, reason, byte);
    return refused;
}

}  // namespace

std::string WriteObjectsXml(const std::vector<ObjectRow> &rows)
{
    static const std::u16string header[4] = {u"Name", u"Seriennummer", u"Bemerkung", u"Kategorie"};
    size_t widest[4] = {};
    for (int i = 0; i < 4; ++i)
        widest[i] = header[i].size();
    for (const ObjectRow &row : rows) {
        const std::u16string *fields[4] = {&row.name, &row.serialNumber, &row.remark, &row.category};
        for (int i = 0; i < 4; ++i)
            widest[i] = std::max(widest[i], fields[i]->size());
    }
    std::string xml = kWorkbookStart;
    // About the width of the widest text in the spreadsheets' default fonts.
    for (size_t characters : widest)
        xml += "   <Column ss:Width=\"" + std::to_string(std::min(kMaxColumnWidth, 12 + characters * 13 / 2)) + "\"/>\r\n";
    const std::u16string *const names[4] = {&header[0], &header[1], &header[2], &header[3]};
    xml += XmlRow(names, "<Cell ss:StyleID=\"Kopf\">");
    for (const ObjectRow &row : rows) {
        const std::u16string *const fields[4] = {&row.name, &row.serialNumber, &row.remark, &row.category};
        xml += XmlRow(fields, "<Cell>");
    }
    return xml + kWorkbookEnd;
}

const ObjectRow *FirstRowXmlCannotHold(const std::vector<ObjectRow> &rows)
{
    for (const ObjectRow &row : rows)
        for (const std::u16string *field : {&row.name, &row.serialNumber, &row.remark, &row.category})
            if (!std::all_of(field->begin(), field->end(), XmlCanHold))
                return &row;
    return nullptr;
}

bool LooksLikeXml(const std::string &bytes)
{
    size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at < bytes.size() && bytes[at] == '<';
}

TableImport ReadObjectsXml(const std::string &bytes, size_t maxRows)
{
    TableImport result;
    result.format = TableFormat::SpreadsheetXml;
    XmlReader xml(bytes);
    std::unique_ptr<SheetReader> sheet;  // the worksheet being read, while it is open
    bool sheetRead = false, objekteRead = false;
    for (XmlEvent event = xml.Next(); event != XmlEvent::End; event = xml.Next()) {
        if (event == XmlEvent::Error)
            return Refused(xml.Offset(), "Keine gültige XML-Datei: " + xml.Problem());
        const size_t depth = xml.Depth();
        const bool spreadsheet = xml.NamespaceUri() == kSpreadsheet;
        if (event == XmlEvent::Text) {
            if (sheet && !sheet->AddText(xml))
                return sheet->Finish();
        } else if (event == XmlEvent::StartElement && depth == 1) {
            if (!spreadsheet || xml.LocalName() != "Workbook")
                return Refused(xml.Offset(),
                               "Die Datei ist keine XML-Kalkulationstabelle 2003: sie beginnt mit <" + xml.LocalName() +
                                   ">, nicht mit <Workbook> im Namensraum " + kSpreadsheet + ".");
        } else if (event == XmlEvent::StartElement && depth == 2) {
            // The sheet named "Objekte" or else the first: a later "Objekte" replaces the first.
            const std::u16string *name = xml.Attribute(kSpreadsheet, "Name");
            const bool objekte = name && *name == u"Objekte";
            if (spreadsheet && xml.LocalName() == "Worksheet" && (!sheetRead || (objekte && !objekteRead))) {
                sheet.reset(new SheetReader(name ? *name : std::u16string(), maxRows));
                sheetRead = true;
                objekteRead = objekte;
            }
        } else if (event == XmlEvent::StartElement && sheet) {
            sheet->Start(xml);
        } else if (event == XmlEvent::EndElement && sheet && depth == 2) {
            result = sheet->Finish();
            sheet.reset();
        } else if (event == XmlEvent::EndElement && sheet) {
            sheet->End(depth);
        }
    }
    if (!sheetRead)
        AddProblem(result, 0, "Die Datei hat kein Tabellenblatt (<Worksheet>).");
    return result;
}
