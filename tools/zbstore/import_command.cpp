// import: objects from CSV or a spreadsheet's XML into the store, all or nothing. The rows are
// validated first, and with --strict no value a spreadsheet rewrote may be among them; then
// the import runs on a copy of the store with the program's own store classes, and only a
// complete, flushed and checked copy is renamed over the store. A dry run takes no lock: it
// imports into a copy in the temporary folder and throws it away.
#include <windows.h>
#include <set>
#include "commands.h"
#include "console.h"
#include "file_access.h"
#include "object_csv.h"
#include "object_xml.h"
#include "objectstore/object_store.h"
#include "objectstore/lock.h"
#include "objectstore/store.h"
#include "objectstore/tail.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "store_contents.h"
#include "store_reading.h"
#include "text_encoding.h"

namespace {

constexpr ULONGLONG kMaxInputBytes = 512ull << 20;

BOOL NoFlush(HANDLE) { return TRUE; }
BOOL NoFolderFlush(const WCHAR *) { return TRUE; }

// The copy is flushed once at the end instead of after every entry; it becomes the store only
// after that flush. No other program knows it meanwhile.
StoreFileOps CopyOps()
{
    StoreFileOps ops = RealStoreFileOps();
    ops.flushFile = NoFlush;
    ops.flushFolder = NoFolderFlush;
    ops.privateCopy = true;
    return ops;
}

void RemoveCopy(const std::wstring &copy)
{
    DeleteFileW(copy.c_str());
    DeleteFileW(StoreLockPath(copy).c_str());
    DeleteFileW((copy + L".new").c_str());
}

// The dry run's copy: a fresh file in the temporary folder. One beside the store would move the
// folder's last write time, which makes a running Zifferbox check its store again. Empty, with
// the Win32 error set, when none can be made.
std::wstring TemporaryCopyPath()
{
    WCHAR folder[MAX_PATH + 1], path[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"zbs", 0, path))
        return std::wstring();
    return path;
}

// The notes one a line, with the row and, where known, the byte they concern.
std::string Listed(const std::vector<ImportNote> &notes, size_t count, const char *more)
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

int ReportProblems(const TableImport &table, const std::wstring &input)
{
    PrintError("Fehler: " + ShownPath(input) + " wurde nicht importiert; der Speicher ist unverändert.\n" +
               Listed(table.problems, table.problemCount, "Fehler"));
    return kExitInvalid;
}

bool NamedXml(const std::wstring &path)
{
    return path.size() >= 4 && _wcsicmp(path.c_str() + path.size() - 4, L".xml") == 0;
}

struct Outcome {
    size_t objects = 0;
    size_t newCategories = 0;
    int objectsBefore = 0;
};

// Writes the rows through the program's store classes into the store file at copy.
bool ImportInto(const std::wstring &copy, const std::vector<ObjectRow> &rows, Outcome &outcome)
{
    InstallProcessStore(CopyOps(), copy);
    ObjectDatabase objects;
    CategoryDatabase categories;
    if (objects.openOrCreate(L"Zifferbox") || categories.openOrCreate(L"Zifferbox-Kategorien"))
        return false;
    outcome.objectsBefore = objects.objectCount();
    if (outcome.objectsBefore < 0 || outcome.objectsBefore + rows.size() > CEDB_MAXRECORDS) {
        PrintError("Fehler: der Speicher fasst höchstens " + std::to_string(CEDB_MAXRECORDS) + " Objekte; er hat " +
                   std::to_string(outcome.objectsBefore) + ", die Datei bringt " + std::to_string(rows.size()) +
                   ". Nichts wurde importiert.\n");
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    Progress progress("Importiert", rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ObjectRow &row = rows[i];
        std::wstring category(row.category.begin(), row.category.end());
        if (IsReservedFilterText(category.c_str()))
            category.clear();
        if (!category.empty() && categories.findCategory(category.c_str()) == 0) {
            if (categories.addCategory(category.c_str()) == 0)
                return false;
            ++outcome.newCategories;
        }
        const std::wstring name(row.name.begin(), row.name.end()), serial(row.serialNumber.begin(), row.serialNumber.end()),
            remark(row.remark.begin(), row.remark.end());
        if (objects.writeNewObject(name.c_str(), serial.c_str(), remark.c_str(), category.c_str()) == 0)
            return false;
        ++outcome.objects;
        progress.Step(i + 1);
    }
    return true;
}

}  // namespace

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
    if (input.compare(0, 4, "PK\x03\x04") == 0) {
        PrintError("Fehler: " + ShownPath(options.target) +
                   " ist ein ZIP-Archiv (xlsx oder ods). Speichern Sie die Tabelle als XML-Kalkulationstabelle 2003 "
                   "(LibreOffice: Microsoft Excel 2003 XML) oder als CSV.\n");
        return kExitInvalid;
    }
    const bool xml = LooksLikeXml(input) || NamedXml(options.target);
    const TableImport table = xml ? ReadObjectsXml(input, CEDB_MAXRECORDS + 1) : ReadObjectsCsv(input, CEDB_MAXRECORDS + 1);
    if (table.problemCount > 0)
        return ReportProblems(table, options.target);
    if (table.changeCount > 0 && options.strict) {
        PrintError("Fehler: " + ShownPath(options.target) + " wurde nicht importiert (--strict): eine Tabellenkalkulation hat " +
                   std::to_string(table.changeCount) + (table.changeCount == 1 ? " Feld" : " Felder") +
                   " umgeschrieben. Der Speicher ist unverändert.\n" +
                   Listed(table.changes, table.changeCount, "Felder"));
        return kExitInvalid;
    }
    if (table.rowCount == 0) {
        Print("Die Datei enthält keine Objekte; der Speicher bleibt unverändert.\n");
        return kExitDone;
    }
    if (table.rowCount > CEDB_MAXRECORDS) {
        PrintError("Fehler: die Datei hat " + std::to_string(table.rowCount) + " Zeilen; der Speicher fasst höchstens " +
                   std::to_string(CEDB_MAXRECORDS) + " Objekte. Nichts wurde importiert.\n");
        return kExitInvalid;
    }

    // One writer at a time: Zifferbox holds this lock while it runs. A dry run writes nothing
    // of the store's, so it goes on beside Zifferbox, on the entries written so far.
    StoreLock lock;
    if (!options.dryRun)
        if (const int refused = LockStore(options, lock, "importieren Sie dann"))
            return refused;
    std::string storeBytes;
    if (FileExists(options.store)) {
        StoreReading reading;
        if (const int failed = LoadSoundStore(options, reading, "es wird nichts importiert", &storeBytes))
            return failed;
        // Whole entries only: Zifferbox may be appending one meanwhile.
        storeBytes.resize(reading.header == StoreScanStatus::Valid ? reading.validLength : 0);
    }

    const std::wstring copy = options.dryRun ? TemporaryCopyPath() : options.store + L".import";
    if (copy.empty()) {
        PrintError("Fehler: der Probelauf kann keine Kopie im temporären Ordner anlegen: " +
                   SystemMessage(GetLastError()) + "\n");
        return kExitInvalid;
    }
    if (!options.dryRun)
        RemoveCopy(copy);  // what a killed import left
    Outcome outcome;
    bool done = WriteFileAtomically(copy, storeBytes, true) && ImportInto(copy, table.rows, outcome);
    // The store classes let go of the copy here; it is whole once flushed.
    InstallProcessStore(RealStoreFileOps());
    done = done && (options.dryRun || FlushFileAt(copy));
    if (done && !options.dryRun) {
        std::string original;
        ReadStoreBytes(options.store, original);
        // What the program would cut off the store's end at its next start is kept beside it.
        done = KeepCutBytes(RealStoreFileOps(), options.store, original.substr(std::min(original.size(), storeBytes.size()))) &&
               MoveFileExW(copy.c_str(), options.store.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (done) {
            FlushFolderOf(options.store);
            DeleteFileW(StaleOrderPath(options.store).c_str());
        }
    }
    const DWORD error = GetLastError();
    RemoveCopy(copy);
    if (!done) {
        if (error != ERROR_DISK_FULL)
            PrintError("Fehler: das Schreiben schlug fehl (" + SystemMessage(error) +
                       "). Nichts wurde importiert; der Speicher ist unverändert.\n");
        return kExitInvalid;
    }
    std::string report = std::string(options.dryRun ? "Probelauf: " : "") + std::to_string(outcome.objects) +
                         (outcome.objects == 1 ? " Objekt" : " Objekte") +
                         (options.dryRun ? " würden importiert" : " importiert") + ", " +
                         std::to_string(outcome.newCategories) +
                         (outcome.newCategories == 1 ? " neue Kategorie" : " neue Kategorien") + " (" +
                         (table.format == TableFormat::SpreadsheetXml
                              ? "XML-Tabelle, Blatt \"" + ToUtf8(table.worksheet) + "\""
                              : "Zeichensatz " + table.encoding + ", Trennzeichen " +
                                    (table.separator == '\t' ? std::string("TAB") : std::string(1, table.separator))) +
                         ").\n";
    if (!table.ignoredColumns.empty()) {
        report += "Nicht übernommene Spalten:";
        for (const std::u16string &column : table.ignoredColumns)
            report += " \"" + ToUtf8(column) + "\"";
        report += "\n";
    }
    if (table.changeCount > 0)
        report += "Von einer Tabellenkalkulation umgeschrieben und so übernommen, wie es in der Datei steht "
                  "(--strict verweigert den Import):\n" +
                  Listed(table.changes, table.changeCount, "Felder");
    Print(report);
    return kExitDone;
}
