// The CSV and HTML forms of objects, as pure text: what export writes and what import accepts.
#include <gtest/gtest.h>
#include "object_csv.h"
#include "object_html.h"

namespace {

ObjectRow Row(const char16_t *name, const char16_t *serial, const char16_t *remark = u"", const char16_t *category = u"")
{
    return ObjectRow{name, serial, remark, category};
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

    const std::vector<ObjectRow> rows = {
        Row(u"Äpfel & Öl", u"€-123", u"sagt \"hallo\"; tschüß", u"Geräte"),
        Row(u" Leerzeichen vorn", u"hinten ", u"", u""),
        Row(u"=1+1", u"@SUMME", u"'=x", u"''"),
        Row(u"'", u"'Zitat", u"a,b\u00A0c", u"Software"),
        Row(std::u16string(254, u'N').c_str(), std::u16string(254, u'ß').c_str(), std::u16string(254, u';').c_str(),
            std::u16string(254, u'"').c_str()),
    };
    const std::string csv = WriteObjectsCsv(rows);
    EXPECT_EQ(csv.substr(0, 42), "\xEF\xBB\xBFName;Seriennummer;Bemerkung;Kategorie\r\n");
    const TableImport back = ReadObjectsCsv(csv, 100);
    EXPECT_EQ(back.problemCount, 0u);
    ASSERT_EQ(back.rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(back.rows[i].name, rows[i].name) << i;
        EXPECT_EQ(back.rows[i].serialNumber, rows[i].serialNumber) << i;
        EXPECT_EQ(back.rows[i].remark, rows[i].remark) << i;
        EXPECT_EQ(back.rows[i].category, rows[i].category) << i;
    }
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

}  // namespace
