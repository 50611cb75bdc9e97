// The CSV, spreadsheet XML and HTML forms of objects, as pure text: what export writes and what
// import accepts.
#include <gtest/gtest.h>
#include "object_csv.h"
#include "object_html.h"
#include "object_xml.h"

namespace {

ObjectRow Row(const char16_t *name, const char16_t *serial, const char16_t *remark = u"", const char16_t *category = u"")
{
    return ObjectRow{name, serial, remark, category};
}

// Texts a spreadsheet would spoil or a writer could garble, and fields of the longest length.
std::vector<ObjectRow> TrickyRows()
{
    return {
        Row(u"Äpfel & Öl", u"€-123", u"sagt \"hallo\"; tschüß", u"Geräte"),
        Row(u" Leerzeichen vorn", u"hinten ", u"", u""),
        Row(u"=1+1", u"@SUMME", u"'=x", u"''"),
        Row(u"'", u"'Zitat", u"a,b\u00A0c", u"Software"),
        Row(u"<b>&amp;</b>", u"00123", u"1/2", u"]]>"),
        Row(std::u16string(254, u'N').c_str(), std::u16string(254, u'ß').c_str(), std::u16string(254, u';').c_str(),
            std::u16string(254, u'"').c_str()),
    };
}

void ExpectSameRows(const std::vector<ObjectRow> &actual, const std::vector<ObjectRow> &expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << i;
        EXPECT_EQ(actual[i].serialNumber, expected[i].serialNumber) << i;
        EXPECT_EQ(actual[i].remark, expected[i].remark) << i;
        EXPECT_EQ(actual[i].category, expected[i].category) << i;
    }
}

TEST(ObjectCsv, ExportQuotesAndGuardsFieldsAndImportGivesThemBackExactly)
{
    EXPECT_EQ(CsvField(u"Käse"), "K\xC3\xA4se");
    EXPECT_EQ(CsvField(u"a;b"), "\"a;b\"");
    EXPECT_EQ(CsvField(u"sagt \"hallo\""), "\"sagt \"\"hallo\"\"\"");
    EXPECT_EQ(CsvField(u" vorn"), "\" vorn\"");
    EXPECT_EQ(CsvField(u"hinten "), "\"hinten \"");
    EXPECT_EQ(CsvField(u"=SUMME(A1)"), "'=SUMME(A1)");
    EXPECT_EQ(CsvField(u"@cmd"), "'@cmd");
    EXPECT_EQ(CsvField(u"'=x"), "''=x");
    EXPECT_EQ(CsvField(u"'Zitat"), "'Zitat");

    const std::vector<ObjectRow> rows = TrickyRows();
    const std::string csv = WriteObjectsCsv(rows);
    EXPECT_EQ(csv.substr(0, 42), "\xEF\xBB\xBFName;Seriennummer;Bemerkung;Kategorie\r\n");
    const TableImport back = ReadObjectsCsv(csv, 100);
    EXPECT_EQ(back.problemCount, 0u);
    ExpectSameRows(back.rows, rows);
    EXPECT_EQ(WriteObjectsCsv(back.rows), csv);

    const std::string html = WriteObjectsHtml(rows, {u"Software", u"Geräte"});
    EXPECT_NE(html.find("<h2>Software</h2>"), std::string::npos);
    EXPECT_LT(html.find("<h2>Software</h2>"), html.find("<h2>Ger\xC3\xA4te</h2>"));
    EXPECT_LT(html.find("<h2>&#39;&#39;</h2>"), html.find("<h2>Ohne Kategorie</h2>"));
    EXPECT_NE(html.find("\xC3\x84pfel &amp; \xC3\x96l"), std::string::npos);
    EXPECT_EQ(html.find("\"hallo\""), std::string::npos);
}

TEST(ObjectCsv, ImportReadsWhatSpreadsheetsSave)
{
    const struct {
        const char *what;
        std::string bytes;
        char separator;
        const char *encoding;
        std::u16string name, serial, remark, category;
        size_t ignored;
    } cases[] = {
        {"semicolon, BOM, CRLF", "\xEF\xBB\xBFName;Seriennummer;Bemerkung;Kategorie\r\nA;1;r;k\r\n", ';', "UTF-8",
         u"A", u"1", u"r", u"k", 0},
        {"comma, English names in another order, LF", "Category,Serial number,Name,Notes\nk,1,A,r\n", ',', "UTF-8",
         u"A", u"1", u"r", u"k", 0},
        {"TAB, no BOM, CR, extra column", "Name\tSerial\tRemark\tPreis\rA\t1\tr\t9,99\r", '\t', "UTF-8", u"A", u"1",
         u"r", u"", 1},
        {"Windows-1252 umlauts and euro", "Name;Seriennummer\r\nK\xE4se \x80;\xDC-1\r\n", ';', "Windows-1252",
         u"Käse €", u"Ü-1", u"", u"", 0},
        {"blank and separator-only lines, quoted line end", "Name;Seriennummer\r\n\r\n;;\r\n\"A\";\"1\"\r\n", ';',
         "UTF-8", u"A", u"1", u"", u"", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TableImport read = ReadObjectsCsv(c.bytes, 10);
        EXPECT_EQ(read.problemCount, 0u) << (read.problems.empty() ? "" : read.problems[0].reason);
        ASSERT_EQ(read.rows.size(), 1u);
        EXPECT_EQ(read.separator, c.separator);
        EXPECT_EQ(read.encoding, c.encoding);
        EXPECT_EQ(read.rows[0].name, c.name);
        EXPECT_EQ(read.rows[0].serialNumber, c.serial);
        EXPECT_EQ(read.rows[0].remark, c.remark);
        EXPECT_EQ(read.rows[0].category, c.category);
        EXPECT_EQ(read.ignoredColumns.size(), c.ignored);
    }
}

TEST(ObjectCsv, ImportNamesEveryBadRowAndRefusesHostileFiles)
{
    const std::string header = "Name;Seriennummer;Bemerkung\r\n";
    const struct {
        const char *what;
        std::string bytes;
        size_t line;
        const char *reasonPart;
    } cases[] = {
        {"empty file", "", 0, "leer"},
        {"no name column", "Titel;Seriennummer\r\nA;1\r\n", 1, "Name und Seriennummer"},
        {"unterminated quote", header + "A;1;ok\r\n\"B;2\r\nC;3\r\n", 3, "nie geschlossen"},
        {"NUL byte", header + "A;1;x\r\nB;2;y" + std::string(1, '\0') + "\r\n", 3, "NUL"},
        {"neither UTF-8 nor Windows-1252", header + "A\x81;1\r\n", 0, "weder UTF-8"},
        {"ten megabyte field", header + "A;1;" + std::string(10 << 20, 'x') + "\r\n", 2, "10485760 Zeichen"},
        {"empty name", header + ";1;x\r\n", 2, "Name fehlt"},
        {"empty serial number", header + "A;;x\r\n", 2, "Seriennummer fehlt"},
        {"line break inside a field", header + "A;1;\"zwei\nZeilen\"\r\n", 2, "Zeilenumbruch"},
        {"TAB inside a field", header + "A;1;mit\tTab\r\n", 2, "Tabulator"},
        {"255 characters", header + "A;" + std::string(255, 's') + ";x\r\n", 2, "255 Zeichen"},
        {"more fields than columns", header + "A;1;x;y\r\n", 2, "Mehr Felder"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TableImport read = ReadObjectsCsv(c.bytes, 10);
        ASSERT_GE(read.problemCount, 1u);
        EXPECT_EQ(read.problems[0].line, c.line);
        EXPECT_NE(read.problems[0].reason.find(c.reasonPart), std::string::npos) << read.problems[0].reason;
    }

    // A header alone is no error: there is simply nothing to import.
    const TableImport empty = ReadObjectsCsv(header, 10);
    EXPECT_EQ(empty.problemCount, 0u);
    EXPECT_EQ(empty.rowCount, 0u);

    // Every bad row counts; the report keeps the first fifty. Rows past the limit are only counted.
    std::string many = header;
    for (int i = 0; i < 120; ++i)
        many += ";" + std::to_string(i) + ";x\r\n";
    const TableImport bad = ReadObjectsCsv(many, 10);
    EXPECT_EQ(bad.problemCount, 120u);
    EXPECT_EQ(bad.problems.size(), kMaxReportedProblems);
    EXPECT_EQ(bad.problems.back().line, 51u);
    EXPECT_EQ(bad.rowCount, 120u);
    EXPECT_EQ(bad.rows.size(), 10u);
}

// A workbook as the spreadsheet programs begin one, around the given sheets.
std::string Workbook(const std::string &sheets)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<?mso-application progid=\"Excel.Sheet\"?>\r\n"
           "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
           "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\" xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
           "xmlns:html=\"http://www.w3.org/TR/REC-html40\">" +
           sheets + "</Workbook>";
}

std::string Sheet(const std::string &rows, const std::string &name = "Objekte")
{
    return "<Worksheet ss:Name=\"" + name + "\"><Table>" + rows + "</Table></Worksheet>";
}

std::string Cell(const std::string &text, const std::string &type = "String")
{
    return "<Cell><Data ss:Type=\"" + type + "\">" + text + "</Data></Cell>";
}

std::string Cells(std::initializer_list<const char *> texts)
{
    std::string row = "<Row>";
    for (const char *text : texts)
        row += Cell(text);
    return row + "</Row>";
}

const std::string kHeader = Cells({"Name", "Seriennummer", "Bemerkung", "Kategorie"});

std::string Repeated(const std::string &text, int times)
{
    std::string repeated;
    while (times-- > 0)
        repeated += text;
    return repeated;
}

TEST(ObjectXml, ExportTypesEveryCellAsTextAndImportGivesItBackExactly)
{
    const std::vector<ObjectRow> rows = TrickyRows();
    const std::string xml = WriteObjectsXml(rows);
    size_t cells = 0;
    for (size_t at = xml.find("<Cell"); at != std::string::npos; at = xml.find("<Cell", at + 1), ++cells)
        EXPECT_EQ(xml.compare(xml.find('>', at) + 1, 23, "<Data ss:Type=\"String\">"), 0) << xml.substr(at, 80);
    EXPECT_EQ(cells, 4 * (rows.size() + 1));
    EXPECT_EQ(xml.find("Formula"), std::string::npos);
    EXPECT_NE(xml.find("<Worksheet ss:Name=\"Objekte\">"), std::string::npos);
    EXPECT_NE(xml.find(">=1+1</Data>"), std::string::npos);
    EXPECT_NE(xml.find(">&lt;b&gt;&amp;amp;&lt;/b&gt;</Data>"), std::string::npos);
    EXPECT_NE(xml.find(">]]&gt;</Data>"), std::string::npos);

    const TableImport back = ReadObjectsXml(xml, 100);
    EXPECT_EQ(back.problemCount, 0u) << (back.problems.empty() ? "" : back.problems[0].reason);
    EXPECT_EQ(back.changeCount, 0u);
    EXPECT_EQ(back.worksheet, u"Objekte");
    ExpectSameRows(back.rows, rows);
    EXPECT_EQ(WriteObjectsXml(back.rows), xml);

    // Columns as wide as their longest text, up to a limit a 254-character field reaches.
    const std::string narrow = WriteObjectsXml({Row(u"Bohrer", u"B-9"), Row(u"Säge", std::u16string(254, u'9').c_str())});
    const auto width = [&](int column) {
        size_t at = 0;
        for (int i = 0; i <= column; ++i)
            at = narrow.find("<Column ss:Width=\"", at) + 18;
        return std::stoi(narrow.substr(at));
    };
    EXPECT_GE(width(0), 6 * 5);
    EXPECT_LT(width(0), width(2));  // Bemerkung: the longer header
    EXPECT_GT(width(1), 60 * 5);
    EXPECT_LE(width(1), 400);

    std::vector<ObjectRow> control = {rows[0], Row(u"Steuerzeichen", u"A\u0001B")};
    EXPECT_EQ(FirstRowXmlCannotHold(rows), nullptr);
    EXPECT_EQ(FirstRowXmlCannotHold(control), &control[1]);
}

TEST(ObjectXml, ImportReadsWhatSpreadsheetsSave)
{
    const struct {
        const char *what;
        std::string bytes;
        size_t line;
        std::u16string worksheet, name, serial, remark, category;
    } cases[] = {
        {"LibreOffice: <ss:Worksheet> beside unprefixed elements, styles, a cell placed by ss:Index",
         Workbook("<Styles><Style ss:ID=\"ce1\"><Font ss:Bold=\"1\"/></Style></Styles><ss:Worksheet ss:Name=\"Objekte\">"
                  "<Table ss:StyleID=\"ta1\"><Column ss:Span=\"2\" ss:Width=\"64\"/><Row ss:Height=\"12.8\">" +
                  kHeader.substr(5) + "<Row><Cell ss:StyleID=\"ce1\"><Data ss:Type=\"String\">A</Data></Cell>" +
                  Cell("1") + "<Cell ss:Index=\"4\"><Data ss:Type=\"String\">k</Data></Cell></Row></Table>"
                  "<x:WorksheetOptions/></ss:Worksheet>"),
         2, u"Objekte", u"A", u"1", u"", u"k"},
        {"another prefix for the namespace; a Row of another namespace is no row",
         "<t:Workbook xmlns:t=\"urn:schemas-microsoft-com:office:spreadsheet\"><t:Worksheet t:Name=\"Objekte\"><t:Table>"
         "<t:Row><t:Cell><t:Data t:Type=\"String\">Name</t:Data></t:Cell><t:Cell><t:Data t:Type=\"String\">Serial</t:Data>"
         "</t:Cell></t:Row><Row xmlns=\"urn:andere\"><Cell>X</Cell></Row><t:Row><t:Cell><t:Data t:Type=\"String\">A</t:Data>"
         "</t:Cell><t:Cell><t:Data t:Type=\"String\">1</t:Data></t:Cell></t:Row></t:Table></t:Worksheet></t:Workbook>",
         2, u"Objekte", u"A", u"1", u"", u""},
        {"rows placed by ss:Index, empty rows, the header not in row 1",
         Workbook(Sheet("<Row ss:Index=\"3\"" + kHeader.substr(4) + "<Row/><Row><Cell ss:Index=\"4\"/></Row>"
                        "<Row ss:Index=\"9\">" + Cell("A") + Cell("1") +
                        "<Cell ss:Index=\"4\"><Data ss:Type=\"String\">k</Data></Cell></Row>")),
         9, u"Objekte", u"A", u"1", u"", u"k"},
        {"ss:MergeAcross shifts the cells after it",
         Workbook(Sheet(Cells({"Name", "Bemerkung", "Seriennummer", "Kategorie"}) +
                        "<Row><Cell ss:MergeAcross=\"1\"><Data ss:Type=\"String\">A</Data></Cell>" + Cell("1") +
                        Cell("k") + "</Row>")),
         2, u"Objekte", u"A", u"1", u"", u"k"},
        {"rich text with HTML children; a comment is no value",
         Workbook(Sheet(kHeader + "<Row>" + Cell("A") +
                        "<Cell><ss:Data ss:Type=\"String\" xmlns=\"http://www.w3.org/TR/REC-html40\"><B>fe</B>"
                        "<Font html:Color=\"#FF0000\">tt</Font></ss:Data><Comment ss:Author=\"Z\"><ss:Data "
                        "xmlns=\"http://www.w3.org/TR/REC-html40\"><B>Notiz</B></ss:Data></Comment></Cell></Row>")),
         2, u"Objekte", u"A", u"fett", u"", u""},
        {"the sheet named Objekte rather than the first",
         Workbook(Sheet(kHeader + Cells({"X", "9"}), "Erstes") + Sheet(kHeader + Cells({"A", "1"}))),
         2, u"Objekte", u"A", u"1", u"", u""},
        {"the first sheet, English names, references and CDATA",
         Workbook(Sheet(Cells({"Serial", "Category", "Name", "Notes"}) +
                            Cells({"&lt;&#228;&#xE4;&amp;&gt;&quot;&apos;", "<![CDATA[<b>&amp;]]>", "A", "r"}),
                        "Tabelle1") +
                  Sheet(kHeader + Cells({"X", "9"}), "Zweites")),
         2, u"Tabelle1", u"A", u"<ää&>\"'", u"r", u"<b>&amp;"},
        {"nothing stripped: apostrophes, blanks, formula text",
         Workbook(Sheet(kHeader + Cells({"'=x", " 00123 ", "=1+1", "''"}))),
         2, u"Objekte", u"'=x", u" 00123 ", u"=1+1", u"''"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TableImport read = ReadObjectsXml(c.bytes, 10);
        EXPECT_EQ(read.problemCount, 0u) << (read.problems.empty() ? "" : read.problems[0].reason);
        EXPECT_EQ(read.changeCount, 0u);
        ASSERT_EQ(read.rows.size(), 1u);
        EXPECT_EQ(read.worksheet, c.worksheet);
        EXPECT_EQ(read.rows[0].line, c.line);
        EXPECT_EQ(read.rows[0].name, c.name);
        EXPECT_EQ(read.rows[0].serialNumber, c.serial);
        EXPECT_EQ(read.rows[0].remark, c.remark);
        EXPECT_EQ(read.rows[0].category, c.category);
    }
}

TEST(ObjectXml, ImportListsWhatASpreadsheetRewroteAndKeepsItAsItStands)
{
    const std::string csvHeader = "Name;Seriennummer\r\n";
    const struct {
        const char *what;
        std::string bytes;
        size_t changes;
        const char *reasonPart;
        std::u16string serial;  // of the first row, imported as it stands
    } cases[] = {
        {"XML: a number", Workbook(Sheet(kHeader + "<Row>" + Cell("A") + Cell("100000", "Number") + "</Row>")), 1,
         "Seriennummer: die Zelle hat den Typ \"Number\"", u"100000"},
        {"XML: a date", Workbook(Sheet(kHeader + "<Row>" + Cell("A") + Cell("2026-01-02T00:00:00.000", "DateTime") + "</Row>")),
         1, "\"DateTime\"", u"2026-01-02T00:00:00.000"},
        {"XML: a formula as LibreOffice writes it",
         Workbook(Sheet(kHeader + "<Row>" + Cell("A") + "<Cell ss:Formula=\"of:=1+1\"><Data ss:Type=\"String\">2</Data></Cell>" +
                        "</Row>")),
         1, "Formel \"of:=1+1\"", u"2"},
        {"XML: text that only looks like numbers", Workbook(Sheet(kHeader + Cells({"A", "1E5", "00123", "1.00E+05"}))), 0, "",
         u"1E5"},
        {"XML: a number in a column not imported",
         Workbook(Sheet(Cells({"Name", "Seriennummer", "Preis"}) + "<Row>" + Cell("A") + Cell("1") + Cell("9.99", "Number") +
                        "</Row>")),
         0, "", u"1"},
        {"CSV: scientific notation as LibreOffice saves it", csvHeader + "A;1.00E+05\r\nB;1E5\r\n", 1,
         "Seriennummer \"1.00E+05\" steht in der wissenschaftlichen Schreibweise", u"1.00E+05"},
        {"CSV: scientific notation as a German Excel saves it", csvHeader + "A;\"3,56789E+14\"\r\n", 1, "3,56789E+14",
         u"3,56789E+14"},
        {"CSV: what Zifferbox wrote", csvHeader + "A;1E5\r\nB;00123\r\nC;1,5\r\nD;1.5E5\r\nE;E+05\r\nF;1,0E+\r\n", 0, "",
         u"1E5"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TableImport read = LooksLikeXml(c.bytes) ? ReadObjectsXml(c.bytes, 10) : ReadObjectsCsv(c.bytes, 10);
        EXPECT_EQ(read.problemCount, 0u) << (read.problems.empty() ? "" : read.problems[0].reason);
        ASSERT_EQ(read.changeCount, c.changes);
        ASSERT_FALSE(read.rows.empty());
        EXPECT_EQ(read.rows[0].serialNumber, c.serial);
        if (c.changes == 0)
            continue;
        EXPECT_EQ(read.changes[0].line, 2u);
        EXPECT_NE(read.changes[0].reason.find(c.reasonPart), std::string::npos) << read.changes[0].reason;
    }
}

TEST(ObjectXml, ImportRefusesHostileAndBrokenFilesAtTheirByte)
{
    const std::string good = Workbook(Sheet(kHeader + Cells({"A", "1"})));
    const std::string declaration = "<?xml version=\"1.0\"?>\n";
    const std::string entities = declaration +
                                 "<!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;\">]>"
                                 "<Workbook>&lol2;</Workbook>";
    const std::string unknownEntity = Workbook(Sheet(kHeader + Cells({"A", "&lol;"})));
    const std::string controlCharacter = Workbook(Sheet(kHeader + Cells({"A", "&#1;"})));
    const std::string crossed = Workbook("<Worksheet><Table></Worksheet></Table>");
    const std::string deep = declaration + "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">" +
                             Repeated("<a>", 100);
    const std::string hugeCell = Workbook(Sheet(kHeader + Cells({"A", "1"}) + "<Row>" + Cell("B") + Cell(std::string(40000, '7')) +
                                                "</Row>"));
    const std::string richHugeCell = Workbook(Sheet(kHeader + "<Row>" + Cell("A") + "<Cell><Data ss:Type=\"String\">" +
                                                    Repeated("<B>" + std::string(1000, 'x') + "</B>", 40) + "</Data></Cell></Row>"));
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Workbook/>";
    const std::string badUtf8 = Workbook(Sheet(kHeader + Cells({"A", "\xC3\x28"})));
    const std::string farColumn = Workbook(Sheet(kHeader + "<Row>" + Cell("A") + "<Cell ss:Index=\"16385\"/></Row>"));
    const std::string backwards = Workbook(Sheet(kHeader + "<Row>" + Cell("A") + "<Cell ss:Index=\"3\"/><Cell ss:Index=\"2\"/></Row>"));
    const std::string noName = Workbook(Sheet(kHeader + "<Row ss:Index=\"5\"><Cell ss:Index=\"2\"><Data ss:Type=\"String\">1</Data></Cell></Row>"));
    const std::string tooLong = Workbook(Sheet(kHeader + Cells({"A", std::string(255, 's').c_str()})));
    const struct {
        const char *what;
        std::string bytes;
        size_t line, byte;
        const char *reasonPart;
    } cases[] = {
        {"not XML", std::string("\x00\x01PK", 4), 0, 0, "keine XML-Datei"},
        {"a DOCTYPE with entities", entities, 0, declaration.size(), "DOCTYPE"},
        {"an entity not predefined", unknownEntity, 0, unknownEntity.find("&lol;"), "Entit"},
        {"a reference to a control character", controlCharacter, 0, controlCharacter.find("&#1;"), "Entit"},
        {"an undeclared prefix", declaration + "<x:Workbook/>", 0, declaration.size(), "Präfix \"x\""},
        {"crossed tags", crossed, 0, crossed.find("</Worksheet>"), "<Table> geschlossen"},
        {"cut off", good.substr(0, good.size() - 23), 0, good.size() - 23, "endet, bevor <Worksheet>"},
        {"nested too deep", deep, 0, deep.size() - 37 * 3, "tiefer als 64"},
        {"a cell too large", hugeCell, 0, hugeCell.find(std::string(40000, '7')), "32767 Zeichen"},
        {"a cell too large in rich text", richHugeCell, 2, richHugeCell.find("<Cell><Data ss:Type=\"String\"><B>"), "32767 Zeichen"},
        {"UTF-16", std::string("\xFF\xFE<\0W\0", 6), 0, 0, "UTF-16"},
        {"another encoding", latin1, 0, latin1.find("encoding"), "ISO-8859-1"},
        {"invalid UTF-8", badUtf8, 0, badUtf8.find("\xC3\x28"), "UTF-8"},
        {"not a workbook", declaration + "<html><body/></html>", 0, declaration.size(), "keine XML-Kalkulationstabelle"},
        {"text after the end", good + "mehr", 0, good.size(), "Nach dem Ende"},
        {"a column beyond any spreadsheet", farColumn, 2, farColumn.find("<Cell ss:Index"), "16384"},
        {"columns going back", backwards, 2, backwards.find("<Cell ss:Index=\"2\""), "nach Spalte 3"},
        {"no name", noName, 5, noName.find("<Row ss:Index=\"5\""), "Der Name fehlt."},
        {"255 characters", tooLong, 2, tooLong.find(std::string(255, 's')) - 29, "255 Zeichen"},
        {"no header", Workbook(Sheet("<Row/>")), 0, kNoByte, "keine Kopfzeile"},
        {"no sheet", Workbook(""), 0, kNoByte, "kein Tabellenblatt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TableImport read = ReadObjectsXml(c.bytes, 10);
        ASSERT_GE(read.problemCount, 1u);
        EXPECT_EQ(read.problems[0].line, c.line);
        EXPECT_EQ(read.problems[0].byte, c.byte);
        EXPECT_NE(read.problems[0].reason.find(c.reasonPart), std::string::npos) << read.problems[0].reason;
    }
}

}  // namespace
