// zbstore.exe as a user runs it: exit codes, reports and files, on stores the program's own
// store classes wrote.
#include <gtest/gtest.h>
#include <algorithm>
#include <sstream>
#include <vector>
#include "objectstore/object_store.h"
#include "objectstore/lock.h"
#include "store/category_database.h"
#include "store/object_database.h"
#include "support/child_process.h"
#include "support/program_run.h"
#include "support/test_env.h"

namespace {

const std::wstring zbstore = WinePathOf(ZBSTORE_EXE);

struct Sample {
    const wchar_t *name, *serial, *remark, *category;
};

const std::vector<Sample> samples = {
    {L"Zeichenprogramm", L"ZP-77", L"Lizenz für zwei Plätze", L"Software"},
    {L"äpfelpresse", L"ÄP-1", L"", L"Geräte"},
    {L"Adressbuch", L"AB-123", L"sagt \"hallo\"; ok", L"Software"},
    {L"Notizen", L"=1+1", L"", L""},
    {L"Bohrer", L"B-9", L"", L"Werkstatt"},
};

std::wstring Digits(size_t count)
{
    std::wstring digits;
    for (size_t i = 1; i <= count; ++i)
        digits += static_cast<wchar_t>(L'0' + i % 10);
    return digits;
}

// Serial numbers a spreadsheet turns into numbers or dates, formula starts, what XML escapes,
// fields of the longest length: the objects of libreoffice_saved.xml.
const std::wstring longName(254, L'Ö'), longDigits = Digits(254), longQuotes(254, L'"');
const std::vector<Sample> spreadsheetSamples = {
    {L"Führende Nullen", L"00123", L"", L"Zahlen"},
    {L"Exponent", L"1E5", L"", L"Zahlen"},
    {L"Kreditkarte", L"4111111111111111", L"16 Stellen", L"Zahlen"},
    {L"IMEI", L"356789012345678", L"15 Stellen", L"Zahlen"},
    {L"Bruch", L"1/2", L"3,5", L"Zahlen"},
    {L"Datum", L"2024-01-02", L"12.03.2024", L"Zahlen"},
    {L"Formel", L"=1+1", L"@SUMME(A1)", L""},
    {L"Vorwahl", L"+49 170 1234567", L"-0815", L""},
    {L"Apostroph", L"'0042", L"'=x", L""},
    {L"Zeichen äöüß", L"<&>\"'", L" Kasse € ", L"Geräte"},
    {longName.c_str(), longDigits.c_str(), longQuotes.c_str(), L"Geräte"},
};

// A store at a fresh path, written by the program's classes; Werkstatt is not in the list.
std::wstring MakeStore(const wchar_t *tag, const std::vector<Sample> &objects = samples,
                       const std::vector<const wchar_t *> &listed = {L"Software", L"Geräte"})
{
    const std::wstring path = UseFreshStoreFile(tag);
    ObjectDatabase objectsDb;
    CategoryDatabase categories;
    EXPECT_FALSE(objectsDb.openOrCreate(L"Zifferbox"));
    EXPECT_FALSE(categories.openOrCreate(L"Zifferbox-Kategorien"));
    for (const wchar_t *category : listed)
        categories.addCategory(category);
    for (const Sample &o : objects)
        EXPECT_NE(objectsDb.writeNewObject(o.name, o.serial, o.remark, o.category), 0u);
    return path;
}

ProgramRun Zbstore(const std::wstring &arguments) { return RunProgram(zbstore, arguments); }

std::wstring Scratch(const wchar_t *name)
{
    const std::wstring path = TestFolder() + L"\\" + name;
    DeleteFileW(path.c_str());
    return path;
}

bool Contains(const std::string &text, const char *part) { return text.find(part) != std::string::npos; }

size_t Occurrences(const std::string &text, const std::string &part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The store's objects as export lines, sorted: equal for the same objects in the same numbers.
std::vector<std::string> ObjectLines(const std::wstring &store)
{
    std::istringstream csv(Zbstore(L"export --store " + Quoted(store) + L" -").out);
    std::vector<std::string> lines;
    std::string line;
    std::getline(csv, line);  // the header
    while (std::getline(csv, line))
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// One set of records on two machines that went their own ways from the samples: both added,
// both edited "Kreditkarte" (the laptop's went through a spreadsheet), and Ctrl+D made copies
// of "Bohrer" on each. The laptop also lists a category no object uses.
const std::vector<Sample> desktopSamples = [] {
    std::vector<Sample> objects = samples;
    objects.push_back({L"Bohrer", L"B-9", L"", L"Werkstatt"});
    objects.push_back({L"Kreditkarte", L"4111111111111111", L"", L"Karten"});
    objects.push_back({L"Fahrrad", L"WTU 1234567", L"", L"Software"});
    return objects;
}();
const std::vector<Sample> laptopSamples = [] {
    std::vector<Sample> objects = samples;
    objects.push_back({L"Bohrer", L"B-9", L"", L"Werkstatt"});
    objects.push_back({L"Bohrer", L"B-9", L"", L"Werkstatt"});
    objects.push_back({L"Kreditkarte", L"4111111111111110", L"", L"Karten"});
    objects.push_back({L"Fahrrad", L"WTU 1234568", L"neuer Rahmen", L"Software"});
    objects.push_back({L"Zelt", L"Z-1", L"", L"Camping"});
    return objects;
}();

std::wstring MakeDesktopStore(const wchar_t *tag) { return MakeStore(tag, desktopSamples); }
std::wstring MakeLaptopStore(const wchar_t *tag)
{
    return MakeStore(tag, laptopSamples, {L"Software", L"Geräte", L"Leer"});
}

TEST(Zbstore, ChecksBacksUpAndExportsARealStore)
{
    const std::wstring store = MakeStore(L"zb-real");
    const std::string before = ReadWholeFile(store);
    const std::wstring on = L" --store " + Quoted(store);
    // Zifferbox runs meanwhile: it holds the store open, as its databases do.
    ObjectDatabase running;
    ASSERT_FALSE(running.openOrCreate(L"Zifferbox"));

    ProgramRun check = Zbstore(L"check" + on);
    EXPECT_EQ(check.exitCode, 0u) << check.out << check.err;
    // Run on its own, not through scripts/zbstore, it names the store by its Windows path.
    const std::string storeLine = "Speicher: " + Narrow(store) + "\n";
    for (const char *line : {storeLine.c_str(), "Format: Version 1", "Objekte: 5", "Kategorien: 2",
                             "nicht in der Liste steht: 1", "Ende: vollständig", "Ergebnis: in Ordnung"})
        EXPECT_TRUE(Contains(check.out, line)) << line << "\n" << check.out;

    const std::wstring backup = Scratch(L"zb-real.backup");
    EXPECT_EQ(Zbstore(L"backup" + on + L" " + Quoted(backup)).exitCode, 0u);
    EXPECT_EQ(ReadWholeFile(backup), before);
    ProgramRun again = Zbstore(L"backup" + on + L" " + Quoted(backup));
    EXPECT_EQ(again.exitCode, 2u);
    EXPECT_TRUE(Contains(again.err, "--force"));
    EXPECT_EQ(Zbstore(L"backup" + on + L" --force " + Quoted(backup)).exitCode, 0u);

    const std::wstring csv = Scratch(L"zb-real.csv");
    EXPECT_EQ(Zbstore(L"export" + on + L" " + Quoted(csv)).exitCode, 0u);
    EXPECT_EQ(ReadWholeFile(csv),
              "\xEF\xBB\xBFName;Seriennummer;Bemerkung;Kategorie\r\n"
              "Adressbuch;AB-123;\"sagt \"\"hallo\"\"; ok\";Software\r\n"
              "\xC3\xA4pfelpresse;\xC3\x84P-1;;Ger\xC3\xA4te\r\n"
              "Bohrer;B-9;;Werkstatt\r\n"
              "Notizen;'=1+1;;\r\n"
              "Zeichenprogramm;ZP-77;Lizenz f\xC3\xBCr zwei Pl\xC3\xA4tze;Software\r\n");
    ProgramRun toOutput = Zbstore(L"export" + on + L" --format html -");
    EXPECT_EQ(toOutput.exitCode, 0u);
    EXPECT_TRUE(Contains(toOutput.out, "<h2>Werkstatt</h2>"));
    EXPECT_TRUE(Contains(toOutput.out, "sagt &quot;hallo&quot;; ok"));

    ProgramRun found = Zbstore(L"find" + on + L" ÄPFEL");
    EXPECT_EQ(found.exitCode, 0u);
    EXPECT_EQ(found.out, "\xC3\xA4pfelpresse\t\xC3\x84P-1\t\tGer\xC3\xA4te\n");
    EXPECT_EQ(Zbstore(L"find" + on + L" gibtsnicht").exitCode, 1u);
    EXPECT_EQ(ReadWholeFile(store), before);
    // Nothing of it stood in the program's way.
    EXPECT_NE(running.writeNewObject(L"Danach", L"D-1", L"", L""), 0u);
}

TEST(Zbstore, RecoverSavesEveryIntactEntryAroundDamage)
{
    const std::wstring store = MakeStore(L"zb-damaged");
    std::string bytes = ReadWholeFile(store);
    // The entry of the third object ("Adressbuch") gets a changed byte in its payload.
    const size_t at = bytes.find("A\0d\0r\0e\0s\0s", 0, 12);
    ASSERT_NE(at, std::string::npos);
    bytes[at] ^= 0x20;
    ASSERT_TRUE(WriteWholeFile(store, bytes));
    const std::wstring on = L" --store " + Quoted(store);

    ProgramRun check = Zbstore(L"check" + on);
    EXPECT_EQ(check.exitCode, 1u);
    EXPECT_TRUE(Contains(check.out, "Beschädigt ab Byte")) << check.out;
    EXPECT_TRUE(Contains(check.out, "danach folgen noch 2 intakte Einträge")) << check.out;

    const std::wstring rescued = Scratch(L"zb-damaged.recovered");
    ProgramRun recover = Zbstore(L"recover" + on + L" " + Quoted(rescued));
    EXPECT_EQ(recover.exitCode, 0u) << recover.err;
    EXPECT_TRUE(Contains(recover.out, "Gerettet: 4 Objekte, 2 Kategorien")) << recover.out;
    EXPECT_TRUE(Contains(recover.out, "im beschädigten Eintrag \"adressbuch\"")) << recover.out;
    EXPECT_EQ(ReadWholeFile(store), bytes);

    // The rescued store opens as any other, holding everything but the damaged entry.
    {
        SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", rescued.c_str());
        ObjectDatabase objects;
        ASSERT_FALSE(objects.openOrCreate(L"Zifferbox"));
        EXPECT_EQ(objects.objectCount(), 4);
    }

    // An undamaged store comes back with the same records.
    const std::wstring sound = MakeStore(L"zb-sound");
    const std::wstring copy = Scratch(L"zb-sound.recovered");
    EXPECT_EQ(Zbstore(L"recover --store " + Quoted(sound) + L" " + Quoted(copy)).exitCode, 0u);
    const std::wstring a = Scratch(L"zb-sound-a.csv"), b = Scratch(L"zb-sound-b.csv");
    Zbstore(L"export --store " + Quoted(sound) + L" " + Quoted(a));
    Zbstore(L"export --store " + Quoted(copy) + L" " + Quoted(b));
    EXPECT_EQ(ReadWholeFile(a), ReadWholeFile(b));
    EXPECT_FALSE(ReadWholeFile(a).empty());
}

TEST(Zbstore, ImportRoundTripsAndIsAllOrNothing)
{
    // The samples and the texts a spreadsheet would spoil: euro, leading blanks, a formula start,
    // quotes and semicolons, and fields of the longest length the program stores.
    std::vector<Sample> objects = samples;
    const std::wstring longest(254, L'ß'), longestSerial(254, L';');
    objects.push_back({L" Kasse €", L"@ 12", L"  vorn und hinten  ", L"Geräte"});
    objects.push_back({longest.c_str(), longestSerial.c_str(), L"\"", L"Software"});
    const std::wstring source = MakeStore(L"zb-source", objects);
    const std::wstring csv = Scratch(L"zb-roundtrip.csv");
    ASSERT_EQ(Zbstore(L"export --store " + Quoted(source) + L" " + Quoted(csv)).exitCode, 0u);

    const std::wstring empty = UseFreshStoreFile(L"zb-empty");
    const std::wstring into = L"import --store " + Quoted(empty) + L" ";
    ProgramRun dry = Zbstore(into + L"--dry-run " + Quoted(csv));
    EXPECT_EQ(dry.exitCode, 0u) << dry.err;
    EXPECT_TRUE(Contains(dry.out, "7 Objekte würden importiert, 3 neue Kategorien")) << dry.out;
    EXPECT_EQ(ReadWholeFile(empty), "");

    ProgramRun imported = Zbstore(into + Quoted(csv));
    EXPECT_EQ(imported.exitCode, 0u) << imported.err;
    const std::wstring again = Scratch(L"zb-roundtrip-again.csv");
    ASSERT_EQ(Zbstore(L"export --store " + Quoted(empty) + L" " + Quoted(again)).exitCode, 0u);
    EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(csv));

    // The filter's reserved entries are no categories: such objects are stored without one.
    const std::wstring reserved = Scratch(L"zb-reserved.csv");
    WriteWholeFile(reserved, "Name;Seriennummer;Kategorie\r\nAlle;1; - Alle -\r\nOhne;2; - Ohne -\r\n");
    const std::wstring plain = UseFreshStoreFile(L"zb-reserved");
    ASSERT_EQ(Zbstore(L"import --store " + Quoted(plain) + L" " + Quoted(reserved)).exitCode, 0u);
    EXPECT_EQ(Zbstore(L"export --store " + Quoted(plain) + L" -").out,
              "\xEF\xBB\xBFName;Seriennummer;Bemerkung;Kategorie\r\nAlle;1;;\r\nOhne;2;;\r\n");

    // One bad row stops the whole file; the report names every bad line.
    const std::string before = ReadWholeFile(empty);
    const std::wstring bad = Scratch(L"zb-bad.csv");
    WriteWholeFile(bad, "Name;Seriennummer\r\nGut;1\r\n;2\r\nAuch gut;3\r\nOhne Nummer;\r\n");
    ProgramRun refused = Zbstore(into + Quoted(bad));
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_TRUE(Contains(refused.err, "Zeile 3: Der Name fehlt.")) << refused.err;
    EXPECT_TRUE(Contains(refused.err, "Zeile 5: Die Seriennummer fehlt.")) << refused.err;
    EXPECT_EQ(ReadWholeFile(empty), before);

    // While Zifferbox holds the store, import waits for nothing and changes nothing.
    {
        StoreLock held;
        ASSERT_TRUE(held.Acquire(empty));
        EXPECT_EQ(Zbstore(into + Quoted(csv)).exitCode, 3u);
    }
    EXPECT_EQ(ReadWholeFile(empty), before);

    // A dry run only reads, so it checks beside the running program, on what its store holds.
    {
        SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", empty.c_str());
        ObjectDatabase running;
        ASSERT_FALSE(running.openOrCreate(L"Zifferbox"));
        ProgramRun beside = Zbstore(into + L"--dry-run " + Quoted(csv));
        EXPECT_EQ(beside.exitCode, 0u) << beside.err;
        EXPECT_TRUE(Contains(beside.out, "7 Objekte würden importiert, 0 neue Kategorien")) << beside.out;
    }
    EXPECT_EQ(ReadWholeFile(empty), before);
}

TEST(Zbstore, FindMatchesSharpSAndSsBothWaysButNoOtherSpelling)
{
    const std::wstring store = MakeStore(L"zb-find", {{L"Größe", L"G-1", L"", L""},
                                                     {L"GROESSE", L"G-2", L"", L""},
                                                     {L"Straßenkarte", L"S-1", L"", L""},
                                                     {L"STRASSENLAMPE", L"S-2", L"", L""}});
    const struct {
        const wchar_t *text;
        const char *names;  // found, in name order
    } cases[] = {
        {L"GRÖSSE", "Größe\n"},
        {L"größe", "Größe\n"},  // ö is not oe
        {L"grosse", ""},         // nor o
        {L"strasse", "Straßenkarte\nSTRASSENLAMPE\n"},
        {L"STRAßE", "Straßenkarte\nSTRASSENLAMPE\n"},
    };
    for (const auto &c : cases) {
        const ProgramRun run = Zbstore(L"find --store " + Quoted(store) + L" " + Quoted(c.text));
        std::istringstream lines(run.out);
        std::string names;
        for (std::string line; std::getline(lines, line);)
            names += line.substr(0, line.find('\t')) + "\n";
        EXPECT_EQ(names, c.names) << Narrow(c.text) << "\n" << run.out << run.err;
    }
}

TEST(Zbstore, RestoreChecksTheBackupWaitsForZifferboxAndKeepsTheReplacedStore)
{
    const std::wstring backup = Scratch(L"zb-restore.backup");
    ASSERT_TRUE(WriteWholeFile(backup, ReadWholeFile(MakeStore(L"zb-restore-old", {samples[0], samples[1]}))));
    const std::string backupBytes = ReadWholeFile(backup);
    const std::wstring store = MakeStore(L"zb-restore");
    const std::string current = ReadWholeFile(store) + std::string("\x30\0", 2);  // with a torn end
    ASSERT_TRUE(WriteWholeFile(store, current));
    ASSERT_TRUE(WriteWholeFile(store + L".tail", "abgeschnitten"));
    ASSERT_TRUE(WriteWholeFile(store + L".order", "alte Reihenfolge"));
    const std::wstring restore = L"restore --store " + Quoted(store) + L" ";

    std::string damaged = backupBytes;
    damaged[40] ^= 0x20;  // inside the first entry: whole ones follow, so this is damage, not a torn end
    const std::wstring bad = Scratch(L"zb-restore.damaged");
    ASSERT_TRUE(WriteWholeFile(bad, damaged));
    ProgramRun refused = Zbstore(restore + Quoted(bad));
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_TRUE(Contains(refused.err, "keine intakte Sicherung")) << refused.err;
    {
        StoreLock held;
        ASSERT_TRUE(held.Acquire(store));
        EXPECT_EQ(Zbstore(restore + Quoted(backup)).exitCode, 3u);
    }
    EXPECT_EQ(ReadWholeFile(store), current);
    EXPECT_FALSE(FileExists(store + L".vor-wiederherstellung"));

    ProgramRun done = Zbstore(restore + Quoted(backup));
    EXPECT_EQ(done.exitCode, 0u) << done.err;
    EXPECT_TRUE(Contains(done.out, "2 Objekte")) << done.out;
    EXPECT_EQ(ReadWholeFile(store), backupBytes);
    EXPECT_EQ(ReadWholeFile(backup), backupBytes);
    EXPECT_EQ(ReadWholeFile(store + L".vor-wiederherstellung"), current);
    EXPECT_EQ(ReadWholeFile(store + L".vor-wiederherstellung.tail"), "abgeschnitten");
    EXPECT_FALSE(FileExists(store + L".tail"));
    EXPECT_FALSE(FileExists(store + L".order"));
    // A second restore would replace the kept store: only with --force.
    EXPECT_EQ(Zbstore(restore + Quoted(backup)).exitCode, 2u);
    EXPECT_EQ(ReadWholeFile(store + L".vor-wiederherstellung"), current);
    EXPECT_EQ(Zbstore(restore + L"--force " + Quoted(backup)).exitCode, 0u);
    EXPECT_EQ(ReadWholeFile(store + L".vor-wiederherstellung"), backupBytes);
}

TEST(Zbstore, XmlExportKeepsEverySerialAndTheFileLibreOfficeSavedImportsExactly)
{
    const std::wstring source = MakeStore(L"zb-xml-source", spreadsheetSamples);
    const std::wstring xml = Scratch(L"zb-objekte.xml");
    ASSERT_EQ(Zbstore(L"export --store " + Quoted(source) + L" --format xml " + Quoted(xml)).exitCode, 0u);
    const std::string exported = ReadWholeFile(xml);
    // Our file, and the one LibreOffice Calc wrote after opening it and saving it as "Microsoft
    // Excel 2003 XML": --strict passes, as neither holds a value a spreadsheet rewrote.
    const std::wstring files[] = {xml, WinePathOf(LIBREOFFICE_SAVED_XML)};
    for (const std::wstring &file : files) {
        SCOPED_TRACE(Narrow(file));
        const std::wstring store = UseFreshStoreFile(file == xml ? L"zb-xml-ours" : L"zb-xml-libreoffice");
        const ProgramRun imported = Zbstore(L"import --strict --store " + Quoted(store) + L" " + Quoted(file));
        EXPECT_EQ(imported.exitCode, 0u) << imported.err;
        EXPECT_TRUE(Contains(imported.out, "11 Objekte importiert, 2 neue Kategorien (XML-Tabelle, Blatt \"Objekte\")"))
            << imported.out;
        EXPECT_EQ(Zbstore(L"export --store " + Quoted(store) + L" --format xml -").out, exported);
    }
}

TEST(Zbstore, ImportListsWhatASpreadsheetRewroteAndStrictRefusesIt)
{
    // Rows 3 and 5 hold what spreadsheets save; rows 2 and 4 what Zifferbox exported.
    const std::wstring csv = Scratch(L"zb-rewritten.csv");
    WriteWholeFile(csv, "Name;Seriennummer\r\nWie exportiert;1E5\r\nExponent;1.00E+05\r\nNullen;00123\r\nIMEI;3,56789E+14\r\n");
    const std::wstring xml = Scratch(L"zb-rewritten.xml");
    const std::string text = "<Cell><Data ss:Type=\"String\">";
    WriteWholeFile(xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                        "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><ss:Worksheet ss:Name=\"Objekte\"><Table>"
                        "<Row>" + text + "Name</Data></Cell>" + text + "Seriennummer</Data></Cell></Row>"
                        "<Row>" + text + "Wie exportiert</Data></Cell>" + text + "1E5</Data></Cell></Row>"
                        "<Row>" + text + "Exponent</Data></Cell><Cell><Data ss:Type=\"Number\">100000</Data></Cell></Row>"
                        "<Row>" + text + "Nullen</Data></Cell>" + text + "00123</Data></Cell></Row>"
                        "<Row>" + text + "Formel</Data></Cell><Cell ss:Formula=\"of:=1+1\"><Data ss:Type=\"Number\">2</Data>"
                        "</Cell></Row></Table></ss:Worksheet></Workbook>");
    const struct {
        std::wstring file;
        const char *kept;  // how row 3 stands in the file and then in the store
    } cases[] = {{csv, "Exponent\t1.00E+05"}, {xml, "Exponent\t100000"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        const std::wstring store = UseFreshStoreFile(L"zb-rewritten");
        const std::wstring into = L"import --store " + Quoted(store) + L" ";
        const ProgramRun strict = Zbstore(into + L"--strict " + Quoted(c.file));
        EXPECT_EQ(strict.exitCode, 1u);
        EXPECT_TRUE(Contains(strict.err, "2 Felder umgeschrieben")) << strict.err;
        EXPECT_EQ(ReadWholeFile(store), "");

        const ProgramRun imported = Zbstore(into + Quoted(c.file));
        EXPECT_EQ(imported.exitCode, 0u) << imported.err;
        for (const char *listed : {"Zeile 3", "Zeile 5"})
            EXPECT_TRUE(Contains(imported.out, listed)) << listed << "\n" << imported.out;
        for (const char *unlisted : {"Zeile 2", "Zeile 4"})
            EXPECT_FALSE(Contains(imported.out, unlisted)) << unlisted << "\n" << imported.out;
        EXPECT_TRUE(Contains(Zbstore(L"find --store " + Quoted(store) + L" Exponent").out, c.kept));
    }
}

TEST(Zbstore, ImportKilledAtAnyMomentLeavesTheStoreAsBeforeOrComplete)
{
    const std::wstring store = MakeStore(L"zb-killed");
    const std::wstring csv = Scratch(L"zb-killed.csv");
    std::string rows = "Name;Seriennummer;Bemerkung;Kategorie\r\n";
    for (int i = 0; i < 20000; ++i)
        rows += "Objekt " + std::to_string(i) + ";SN-" + std::to_string(i) + ";Bemerkung;Neu " + std::to_string(i % 7) + "\r\n";
    WriteWholeFile(csv, rows);
    const std::wstring arguments = L"import --store " + Quoted(store) + L" " + Quoted(csv);
    int before = 0, complete = 0;
    for (DWORD delay = 50; delay <= 3050; delay += 500) {
        SCOPED_TRACE(testing::Message() << "killed after " << delay << " ms");
        {
            ChildProcess import(zbstore, arguments);
            ASSERT_TRUE(import.started());
            Sleep(delay);
        }  // ends the process if it still runs
        SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", store.c_str());
        ObjectDatabase objects;
        ASSERT_FALSE(objects.openOrCreate(L"Zifferbox"));
        const int count = objects.objectCount();
        EXPECT_TRUE(count == 5 || count == 20005) << count;
        before += count == 5;
        complete += count == 20005;
        if (count == 20005)
            break;
    }
    // Whatever the kills hit, a whole run afterwards still imports.
    if (complete == 0) {
        EXPECT_EQ(Zbstore(arguments).exitCode, 0u);
        SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", store.c_str());
        ObjectDatabase objects;
        ASSERT_FALSE(objects.openOrCreate(L"Zifferbox"));
        EXPECT_EQ(objects.objectCount(), 20005);
    }
    EXPECT_GT(before, 0) << "no kill landed before the import ended";
}

TEST(Zbstore, HostileInputsGetAClearMessageAndLeaveTheStoreAlone)
{
    const std::wstring store = MakeStore(L"zb-hostile");
    const std::string before = ReadWholeFile(store);
    const std::wstring folder = TestFolder();
    const std::wstring notStore = Scratch(L"zb-not-a-store.zbs");
    WriteWholeFile(notStore, "Dies ist keine Speicherdatei.\r\n");
    const std::wstring tooMany = Scratch(L"zb-too-many.csv");
    std::string rows = "Name;Seriennummer\r\n";
    for (int i = 0; i <= 65535; ++i)
        rows += "O" + std::to_string(i) + ";" + std::to_string(i) + "\r\n";
    WriteWholeFile(tooMany, rows);
    const std::wstring invalid = Scratch(L"zb-invalid.csv");
    WriteWholeFile(invalid, "Name;Seriennummer\r\nA\x81\x8D;1\r\n");
    const std::wstring unterminated = Scratch(L"zb-open-quote.csv");
    WriteWholeFile(unterminated, "Name;Seriennummer\r\n\"A;1\r\n");
    const std::wstring headerOnly = Scratch(L"zb-header.csv");
    WriteWholeFile(headerOnly, "Name;Seriennummer\r\n");
    const std::wstring empty = Scratch(L"zb-empty.csv");
    WriteWholeFile(empty, "");
    const std::wstring doctype = Scratch(L"zb-doctype.xml");
    WriteWholeFile(doctype, "<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY a \"aaaa\">]><Workbook>&a;</Workbook>");
    const std::wstring zipped = Scratch(L"zb-objekte.xlsx");
    WriteWholeFile(zipped, std::string("PK\x03\x04\x14\0\0\0", 8));
    const std::wstring csvNamedXml = Scratch(L"zb-csv.xml");
    WriteWholeFile(csvNamedXml, "Name;Seriennummer\r\nA;1\r\n");
    const std::wstring fullFile = Scratch(L"zb-full.csv");
    rows = "Name;Seriennummer\r\n";
    for (int i = 0; i < 65535; ++i)
        rows += "O" + std::to_string(i) + ";" + std::to_string(i) + "\r\n";
    WriteWholeFile(fullFile, rows);
    std::string damagedBytes = before;
    damagedBytes[40] ^= 0x20;
    const std::wstring damaged = Scratch(L"zb-damaged-other.zbs");
    WriteWholeFile(damaged, damagedBytes);
    const size_t slash = store.find_last_of(L'\\');
    const std::wstring storeAgain = store.substr(0, slash) + L"\\.\\" + store.substr(slash + 1);
    const std::wstring on = L" --store " + Quoted(store) + L" ";

    const struct {
        std::wstring arguments;
        DWORD exitCode;
        const char *messagePart;
    } cases[] = {
        {L"check --store " + Quoted(folder), 1, "Ordner"},
        {L"check --store " + Quoted(folder + L"\\fehlt.zbs"), 1, "nicht gefunden"},
        {L"check --store " + Quoted(notStore), 1, "kein Zifferbox-Speicher"},
        {L"export" + on + Quoted(store), 2, "der Speicher selbst"},
        {L"backup" + on + Quoted(folder), 2, "Ordner"},
        {L"backup" + on + Quoted(L"Q:\\kein\\Laufwerk.zbs"), 1, "nicht geschrieben"},
        {L"import" + on + Quoted(folder), 1, "Ordner"},
        {L"import" + on + Quoted(folder + L"\\fehlt.csv"), 1, "nicht gefunden"},
        {L"import" + on + Quoted(tooMany), 1, "65536 Zeilen"},
        {L"import" + on + Quoted(invalid), 1, "weder UTF-8"},
        {L"import" + on + Quoted(unterminated), 1, "nie geschlossen"},
        {L"import" + on + Quoted(empty), 1, "leer"},
        {L"import" + on + Quoted(headerOnly), 0, "keine Objekte"},
        {L"import" + on + Quoted(doctype), 1, "Byte 22: Keine gültige XML-Datei: Die Datei hat eine DOCTYPE-Angabe"},
        {L"import" + on + Quoted(zipped), 1, "ZIP-Archiv"},
        {L"import" + on + Quoted(csvNamedXml), 1, "Byte 0: Keine gültige XML-Datei"},
        {L"merge" + on + Quoted(folder), 1, "Ordner"},
        {L"merge" + on + Quoted(folder + L"\\fehlt.zbs"), 1, "nicht gefunden"},
        {L"merge" + on + Quoted(damaged), 1, "beschädigter Zifferbox-Speicher (ab Byte"},
        {L"merge" + on + Quoted(notStore), 1, "Kopfzeile"},
        {L"merge" + on + Quoted(tooMany), 1, "65536 Zeilen"},
        {L"merge" + on + Quoted(store), 0, "die Speicherdatei selbst"},
        {L"merge" + on + Quoted(storeAgain), 0, "die Speicherdatei selbst"},
        // 65,535 objects of which none is in the store yet: five too many.
        {L"merge" + on + Quoted(fullFile), 1, "höchstens 65535 Objekte; er hat 5, dazu kämen 65535"},
        {L"merge --force" + on + Quoted(store), 2, "unbekannte Angabe"},
        {L"frobnicate", 2, "unbekannter Befehl"},
        {L"export --format pdf" + on + L"-", 2, "csv, html und xml"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.arguments.begin(), c.arguments.end()));
        const ProgramRun run = Zbstore(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(Contains(run.out + run.err, c.messagePart)) << run.out << run.err;
        EXPECT_EQ(ReadWholeFile(store), before);
    }
}

TEST(Zbstore, MergeAddsWhatTheOtherHoldsMoreOfAndListsSameNamesWithBothVersions)
{
    const std::wstring store = MakeDesktopStore(L"zb-merge");
    const std::wstring laptop = MakeLaptopStore(L"zb-merge-laptop");
    const std::string before = ReadWholeFile(store);
    const std::wstring into = L"merge --store " + Quoted(store) + L" ";
    const char *counts = "(Zifferbox-Speicher, 10 Objekte): 4 Objekte hinzugefügt, 6 schon vorhanden, 4 neue Kategorien.";

    // While Zifferbox holds the store, a dry run reports and a merge is refused; neither writes.
    {
        StoreLock held;
        ASSERT_TRUE(held.Acquire(store));
        const ProgramRun dry = Zbstore(into + L"--dry-run " + Quoted(laptop));
        EXPECT_EQ(dry.exitCode, 0u) << dry.err;
        EXPECT_TRUE(Contains(dry.out, "Probelauf: ")) << dry.out;
        EXPECT_TRUE(Contains(dry.out, "4 Objekte würden hinzugefügt, 6 schon vorhanden, 4 neue Kategorien")) << dry.out;
        const ProgramRun refused = Zbstore(into + Quoted(laptop));
        EXPECT_EQ(refused.exitCode, 3u);
        EXPECT_TRUE(Contains(refused.err, "Beenden Sie Zifferbox und führen Sie dann zusammen")) << refused.err;
    }
    EXPECT_EQ(ReadWholeFile(store), before);

    const ProgramRun merged = Zbstore(into + Quoted(laptop));
    EXPECT_EQ(merged.exitCode, 0u) << merged.err;
    EXPECT_TRUE(Contains(merged.out, counts)) << merged.out;
    // Both versions of each edited object, the spreadsheet's rewrite marked where it was one.
    EXPECT_TRUE(Contains(merged.out,
                         "gleicher Name, andere Angaben: 2 Paare (beide Fassungen bleiben; entscheiden Sie in Zifferbox, welche gilt)\n"
                         "  \"Fahrrad\"\n"
                         "    im Speicher:  Seriennummer \"WTU 1234567\", Bemerkung \"\", Kategorie \"Software\"\n"
                         "    hinzugefügt:  Seriennummer \"WTU 1234568\", Bemerkung \"neuer Rahmen\", Kategorie \"Software\"\n"
                         "  \"Kreditkarte\"\n"
                         "    im Speicher:  Seriennummer \"4111111111111111\", Bemerkung \"\", Kategorie \"Karten\"\n"
                         "    hinzugefügt:  Seriennummer \"4111111111111110\", Bemerkung \"\", Kategorie \"Karten\"\n"
                         "    Die Seriennummern unterscheiden sich so, wie eine Tabellenkalkulation sie umschreibt.\n"))
        << merged.out;
    EXPECT_EQ(Occurrences(merged.out, "Tabellenkalkulation"), 1u) << merged.out;
    std::vector<std::string> expected = {
        "Adressbuch;AB-123;\"sagt \"\"hallo\"\"; ok\";Software", "Bohrer;B-9;;Werkstatt", "Bohrer;B-9;;Werkstatt",
        "Bohrer;B-9;;Werkstatt", "Fahrrad;WTU 1234567;;Software", "Fahrrad;WTU 1234568;neuer Rahmen;Software",
        "Kreditkarte;4111111111111110;;Karten", "Kreditkarte;4111111111111111;;Karten", "Notizen;'=1+1;;",
        "Zeichenprogramm;ZP-77;Lizenz f\xC3\xBCr zwei Pl\xC3\xA4tze;Software", "Zelt;Z-1;;Camping",
        "\xC3\xA4pfelpresse;\xC3\x84P-1;;Ger\xC3\xA4te"};
    std::sort(expected.begin(), expected.end());
    for (std::string &line : expected)
        line += "\r";
    EXPECT_EQ(ObjectLines(store), expected);
    // The laptop's category without objects came along, and those of added objects the list
    // lacked (Karten, Werkstatt, Camping), as the import adds them.
    const ProgramRun check = Zbstore(L"check --store " + Quoted(store));
    EXPECT_TRUE(Contains(check.out, "Kategorien: 6\n")) << check.out;

    // An export merges as the import reads it, each category in the store's spelling, the
    // spreadsheet's rewrites reported.
    const std::wstring csv = Scratch(L"zb-merge.csv");
    WriteWholeFile(csv, "Name;Seriennummer;Kategorie\r\nZelt;Z-1;Camping\r\nLaterne;1,00E+05;CAMPING\r\n");
    const ProgramRun fromCsv = Zbstore(into + Quoted(csv));
    EXPECT_EQ(fromCsv.exitCode, 0u) << fromCsv.err;
    EXPECT_TRUE(Contains(fromCsv.out, "(Zeichensatz UTF-8, Trennzeichen ;, 2 Objekte): 1 Objekt hinzugefügt, 1 schon "
                                      "vorhanden, 0 neue Kategorien."))
        << fromCsv.out;
    EXPECT_TRUE(Contains(fromCsv.out, "Zeile 3: Seriennummer \"1,00E+05\" steht in der wissenschaftlichen Schreibweise"))
        << fromCsv.out;
    EXPECT_TRUE(Contains(Zbstore(L"find --store " + Quoted(store) + L" Laterne").out, "Laterne\t1,00E+05\t\tCamping\n"));
}

TEST(Zbstore, MergingTwiceGivesWhatMergingOnceGives)
{
    const std::wstring store = MakeDesktopStore(L"zb-twice");
    const std::wstring laptop = MakeLaptopStore(L"zb-twice-laptop");
    const std::wstring csv = Scratch(L"zb-twice-laptop.csv");
    ASSERT_EQ(Zbstore(L"export --store " + Quoted(laptop) + L" " + Quoted(csv)).exitCode, 0u);
    const std::wstring into = L"merge --store " + Quoted(store) + L" ";
    ASSERT_EQ(Zbstore(into + Quoted(laptop)).exitCode, 0u);
    const std::string once = ReadWholeFile(store);
    for (const std::wstring &other : {laptop, csv}) {
        SCOPED_TRACE(Narrow(other));
        const ProgramRun again = Zbstore(into + Quoted(other));
        EXPECT_EQ(again.exitCode, 0u) << again.err;
        EXPECT_TRUE(Contains(again.out, "0 Objekte hinzugefügt, 10 schon vorhanden, 0 neue Kategorien.\n"
                                        "Der Speicher bleibt unverändert.\n"))
            << again.out;
        EXPECT_EQ(ReadWholeFile(store), once);
    }
}

TEST(Zbstore, MergeGivesTheSameObjectsWhicheverWayItRuns)
{
    const std::wstring desktop = MakeDesktopStore(L"zb-ways-desktop"), laptop = MakeLaptopStore(L"zb-ways-laptop");
    const std::wstring desktopCopy = Scratch(L"zb-ways-desktop.copy"), laptopCopy = Scratch(L"zb-ways-laptop.copy");
    ASSERT_TRUE(WriteWholeFile(desktopCopy, ReadWholeFile(desktop)));
    ASSERT_TRUE(WriteWholeFile(laptopCopy, ReadWholeFile(laptop)));
    ASSERT_EQ(Zbstore(L"merge --store " + Quoted(desktop) + L" " + Quoted(laptopCopy)).exitCode, 0u);
    ASSERT_EQ(Zbstore(L"merge --store " + Quoted(laptop) + L" " + Quoted(desktopCopy)).exitCode, 0u);
    const std::vector<std::string> objects = ObjectLines(desktop);
    EXPECT_EQ(objects.size(), 12u);
    EXPECT_EQ(std::count(objects.begin(), objects.end(), "Bohrer;B-9;;Werkstatt\r"), 3);
    EXPECT_EQ(ObjectLines(laptop), objects);
}

TEST(Zbstore, MergeWithItselfOrAnOlderBackupOfItWritesNothing)
{
    const std::wstring store = MakeStore(L"zb-self");
    const std::wstring older = Scratch(L"zb-self.older"), copy = Scratch(L"zb-self.copy");
    ASSERT_TRUE(WriteWholeFile(older, ReadWholeFile(store)));
    {
        ObjectDatabase objects;
        ASSERT_FALSE(objects.openOrCreate(L"Zifferbox"));
        EXPECT_NE(objects.writeNewObject(L"Danach", L"D-1", L"", L""), 0u);
    }
    const std::string before = ReadWholeFile(store);
    ASSERT_TRUE(WriteWholeFile(copy, before));
    const size_t slash = store.find_last_of(L'\\');
    const struct {
        std::wstring other;
        const char *report;
    } cases[] = {
        {store, "ist die Speicherdatei selbst"},
        {store.substr(0, slash) + L"\\.\\" + store.substr(slash + 1), "ist die Speicherdatei selbst"},
        {copy, "0 Objekte hinzugefügt, 6 schon vorhanden, 0 neue Kategorien.\nDer Speicher bleibt unverändert."},
        {older, "0 Objekte hinzugefügt, 5 schon vorhanden, 0 neue Kategorien.\nDer Speicher bleibt unverändert."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Narrow(c.other));
        const ProgramRun run = Zbstore(L"merge --store " + Quoted(store) + L" " + Quoted(c.other));
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_TRUE(Contains(run.out, c.report)) << run.out;
        EXPECT_EQ(ReadWholeFile(store), before);
        EXPECT_FALSE(FileExists(store + L".import"));
    }
}

TEST(Zbstore, CheckNamesTheOtherStoresInTheStoresFolder)
{
    const std::wstring folder = FreshScratchFolder("zb-synced");
    const std::string desktop = ReadWholeFile(MakeDesktopStore(L"zb-synced-desktop"));
    const std::string laptop = ReadWholeFile(MakeLaptopStore(L"zb-synced-laptop"));
    const std::wstring store = folder + L"\\objectstore.zbs";
    ASSERT_TRUE(WriteWholeFile(store, desktop));
    // What sync tools name their conflict copies, and what the store and zbstore keep beside it.
    const std::wstring listed[] = {L"objectstore.sync-conflict-20261208-101010-ABCDEFG.zbs",
                                   L"objectstore (Konflikt 2026-12-08).zbs", L"objectstore.zbs.vor-wiederherstellung"};
    for (const std::wstring &name : listed)
        ASSERT_TRUE(WriteWholeFile(folder + L"\\" + name, laptop));
    for (const wchar_t *suffix : {L".lock", L".tail", L".order", L".new", L".import", L".import.new"})
        ASSERT_TRUE(WriteWholeFile(store + suffix, laptop));
    ASSERT_TRUE(WriteWholeFile(folder + L"\\notizen.txt", "Dies ist keine Speicherdatei."));
    ASSERT_TRUE(WriteWholeFile(folder + L"\\leer.zbs", ""));

    const ProgramRun check = Zbstore(L"check --store " + Quoted(store));
    EXPECT_EQ(check.exitCode, 0u) << check.err;
    EXPECT_TRUE(Contains(check.out, "\"zbstore merge DATEI\" bringt ihre Objekte in diesen Speicher:\n")) << check.out;
    for (const std::wstring &name : listed)
        EXPECT_TRUE(Contains(check.out, ("  " + Narrow(folder + L"\\" + name) + ": 10 Objekte\n").c_str())) << check.out;
    EXPECT_EQ(Occurrences(check.out, " Objekte\n"), 3u) << check.out;

    // Alone in its folder, the store's report says nothing of others.
    for (const std::wstring &name : listed)
        DeleteFileW((folder + L"\\" + name).c_str());
    const ProgramRun alone = Zbstore(L"check --store " + Quoted(store));
    EXPECT_FALSE(Contains(alone.out, "zbstore merge")) << alone.out;
}

}  // namespace
