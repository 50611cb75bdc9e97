// import: objects from CSV or a spreadsheet's XML into the store, all or nothing. The rows are
// validated first, and with --strict no value a spreadsheet rewrote may be among them; then
// they are written the one way zbstore changes a store (store_writing.h).
#include <windows.h>
#include "commands.h"
#include "console.h"
#include "file_access.h"
#include "object_csv.h"
#include "object_xml.h"
#include "objectstore/object_store.h"
#include "store_writing.h"
#include "table_import.h"
#include "text_encoding.h"

namespace {

constexpr ULONGLONG kMaxInputBytes = 512ull << 20;

bool NamedXml(const std::wstring &path)
{
    return path.size() >= 4 && _wcsicmp(path.c_str() + path.size() - 4, L".xml") == 0;
}

}  // namespace

std::string ListedNotes(const std::vector<ImportNote> &notes, size_t count, const char *more)
{
    std::string lines;
    for (const ImportNote &note : notes) {
        std::string where = note.line ? "Zeile " + std::to_string(note.line) : std::string();
        if (note.byte != kNoByte)
            where += (where.empty() ? "Byte " : ", Byte ") + std::to_string(note.byte);
        lines += "  " + (where.empty() ? std::string() : where + ": ") + note.reason + "\n";
    }
    if (count > notes.size())
        lines += "  und " + std::to_string(count - notes.size()) + " weitere " + more + "\n";
    return lines;
}

int ReadObjectTable(const std::wstring &path, const std::string &input, TableImport &table)
{
    if (input.compare(0, 4, "PK\x03\x04") == 0) {
        PrintError("Fehler: " + ShownPath(path) +
                   " ist ein ZIP-Archiv (xlsx oder ods). Speichern Sie die Tabelle als XML-Kalkulationstabelle 2003 "
                   "(LibreOffice: Microsoft Excel 2003 XML) oder als CSV.\n");
        return kExitInvalid;
    }
    const bool xml = LooksLikeXml(input) || NamedXml(path);
    table = xml ? ReadObjectsXml(input, CEDB_MAXRECORDS + 1) : ReadObjectsCsv(input, CEDB_MAXRECORDS + 1);
    if (table.problemCount > 0) {
        PrintError("Fehler: " + ShownPath(path) + " wurde nicht importiert; der Speicher ist unverändert.\n" +
                   ListedNotes(table.problems, table.problemCount, "Fehler"));
        return kExitInvalid;
    }
    if (table.rowCount > CEDB_MAXRECORDS) {
        PrintError("Fehler: die Datei hat " + std::to_string(table.rowCount) + " Zeilen; der Speicher fasst höchstens " +
                   std::to_string(CEDB_MAXRECORDS) + " Objekte. Nichts wurde importiert.\n");
        return kExitInvalid;
    }
    return kExitDone;
}

std::string TableReport(const TableImport &table, const char *changesHeading)
{
    std::string report;
    if (!table.ignoredColumns.empty()) {
        report += "Nicht übernommene Spalten:";
        for (const std::u16string &column : table.ignoredColumns)
            report += " \"" + ToUtf8(column) + "\"";
        report += "\n";
    }
    if (table.changeCount > 0)
        report += std::string(changesHeading) + ":\n" + ListedNotes(table.changes, table.changeCount, "Felder");
    return report;
}

std::string TableSource(const TableImport &table)
{
    return table.format == TableFormat::SpreadsheetXml
               ? "XML-Tabelle, Blatt \"" + ToUtf8(table.worksheet) + "\""
               : "Zeichensatz " + table.encoding + ", Trennzeichen " +
                     (table.separator == '\t' ? std::string("TAB") : std::string(1, table.separator));
}

int RunImport(const Options &options)
{
    std::string input;
    if (!ReadSharedFile(options.target, input, kMaxInputBytes)) {
        const DWORD error = GetLastError();
        PrintError("Fehler: " + ShownPath(options.target) +
                   (error == ERROR_DIRECTORY ? " ist ein Ordner, keine CSV-Datei.\n"
                    : error == ERROR_FILE_TOO_LARGE ? " ist größer als 512 MB.\n"
                                                    : " kann nicht gelesen werden: " + SystemMessage(error) + "\n"));
        return kExitInvalid;
    }
    TableImport table;
    if (const int refused = ReadObjectTable(options.target, input, table))
        return refused;
    if (table.changeCount > 0 && options.strict) {
        PrintError("Fehler: " + ShownPath(options.target) + " wurde nicht importiert (--strict): eine Tabellenkalkulation hat " +
                   std::to_string(table.changeCount) + (table.changeCount == 1 ? " Feld" : " Felder") +
                   " umgeschrieben. Der Speicher ist unverändert.\n" +
                   ListedNotes(table.changes, table.changeCount, "Felder"));
        return kExitInvalid;
    }
    if (table.rowCount == 0) {
        Print("Die Datei enthält keine Objekte; der Speicher bleibt unverändert.\n");
        return kExitDone;
    }

    StoreEdit edit;
    edit.thenDo = "importieren Sie dann";
    edit.refused = "es wird nichts importiert";
    edit.write = [&](const StoreModel &, ObjectDatabase &objects, CategoryDatabase &categories, StoreChange &change) {
        return WriteObjectRows(objects, categories, table.rows, change) ? CopyEdit::Changed : CopyEdit::Failed;
    };
    StoreChange change;
    bool changed = false;
    if (const int failed = EditStoreThroughCopy(options, edit, change, changed))
        return failed;
    Print(std::string(options.dryRun ? "Probelauf: " : "") + std::to_string(change.objects) +
          (change.objects == 1 ? " Objekt" : " Objekte") + (options.dryRun ? " würden importiert" : " importiert") +
          ", " + std::to_string(change.newCategories) +
          (change.newCategories == 1 ? " neue Kategorie" : " neue Kategorien") + " (" + TableSource(table) + ").\n" +
          TableReport(table, "Von einer Tabellenkalkulation umgeschrieben und so übernommen, wie es in der Datei "
                             "steht (--strict verweigert den Import)"));
    return kExitDone;
}
