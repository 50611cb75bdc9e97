// check, backup and recover: the store file as a whole.
#include <windows.h>
#include "commands.h"
#include "common/unique_handles.h"
#include "console.h"
#include "file_access.h"
#include "objectstore/store.h"
#include "objectstore/lock.h"
#include "objectstore/tail.h"
#include "objectstore/log_format.h"
#include "objectstore/replay.h"
#include "store_contents.h"
#include "store_reading.h"
#include "text_encoding.h"

namespace {

std::string Count(size_t n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string DamageLines(const StoreReading &reading)
{
    std::string lines;
    for (const DamagedRange &range : reading.damage) {
        lines += "  Byte " + std::to_string(range.begin) + " bis " + std::to_string(range.end) + " (Eintrag " +
                 std::to_string(range.entryNumber) + "): " + range.reason + "\n";
        for (const auto &touched : range.touched) {
            const std::u16string known = NameOfRecord(reading.model, touched.first);
            lines += "    betraf Datensatz " + std::to_string(touched.first);
            if (!known.empty())
                lines += ", zuletzt gerettet als \"" + ToUtf8(known) + "\"";
            if (!touched.second.empty())
                lines += ", im beschädigten Eintrag \"" + ToUtf8(touched.second) + "\"";
            lines += "\n";
        }
    }
    return lines;
}

// A line when accounts other than the user may read the store or list its folder.
std::string PrivacyWarning(const std::wstring &store)
{
    const bool file = OthersMayRead(store), folder = OthersMayRead(FolderOfPath(store));
    if (!file && !folder)
        return "";
    const char *what = file && folder ? "den Speicher und seinen Ordner" : file ? "den Speicher" : "den Ordner des Speichers";
    return std::string("Warnung: andere Benutzerkonten können ") + what + " lesen; nur Sie sollten Zugriff haben.\n";
}

// The store's contents must come back from the written file exactly.
bool SameContents(const std::wstring &path, const StoreContents &expected)
{
    StoreModel model;
    if (!ReplaySoundStoreFile(path, model))
        return false;
    FinishReplay(model, 0);
    const StoreContents written = ContentsOf(model);
    if (written.objects.size() != expected.objects.size() || written.categories != expected.categories)
        return false;
    for (size_t i = 0; i < written.objects.size(); ++i) {
        const ObjectRow &a = written.objects[i], &b = expected.objects[i];
        if (a.name != b.name || a.serialNumber != b.serialNumber || a.remark != b.remark || a.category != b.category)
            return false;
    }
    return true;
}

int WriteStoreOutput(const Options &options, const std::string &bytes, const StoreContents &contents)
{
    if (!WriteFileAtomically(options.target, bytes, options.force,
                             [&](const std::wstring &written) { return SameContents(written, contents); })) {
        const DWORD error = GetLastError();
        PrintError("Fehler: " + ShownPath(options.target) + " konnte nicht geschrieben werden" +
                   (error == ERROR_INVALID_DATA ? ": die Prüfung der geschriebenen Datei schlug fehl.\n"
                                                : ": " + SystemMessage(error) + "\n"));
        return kExitInvalid;
    }
    return kExitDone;
}

// Files the store and its writers keep beside it, or half-written copies: never another store.
bool IsStoreCompanion(const std::wstring &name)
{
    for (const wchar_t *suffix : {L".lock", L".tail", L".order", L".new", L".import", L".zbtmp"}) {
        const size_t length = wcslen(suffix);
        if (name.size() >= length && _wcsicmp(name.c_str() + name.size() - length, suffix) == 0)
            return true;
    }
    return false;
}

bool BeginsLikeStore(const std::wstring &path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char magic[kStoreMagicSize];
    DWORD got = 0;
    return file.valid() && ReadFile(file.get(), magic, sizeof magic, &got, nullptr) && got == sizeof magic &&
           EncodeStoreHeader().compare(0, kStoreMagicSize, magic, kStoreMagicSize) == 0;
}

// The other sound stores in the store's folder (a sync tool's conflict copies, backups, the copy
// a restore kept), one a line with their objects; empty when there are none.
std::string OtherStoresBeside(const std::wstring &store)
{
    const std::wstring folder = FolderOfPath(store);
    WIN32_FIND_DATAW found;
    UniqueFileSearch search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search.valid())
        return std::string();
    std::string lines;
    do {
        const std::wstring path = folder + L"\\" + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsStoreCompanion(found.cFileName) ||
            !BeginsLikeStore(path) || SameFile(path, store))
            continue;
        StoreModel model;
        if (ReplaySoundStoreFile(path, model))
            lines += "  " + ShownPath(path) + ": " + Count(ObjectCountOf(model), "Objekt", "Objekte") + "\n";
    } while (FindNextFileW(search.get(), &found));
    if (lines.empty())
        return lines;
    return "Weitere Speicher im selben Ordner (Konfliktkopien, Sicherungen); \"zbstore merge DATEI\" bringt ihre "
           "Objekte in diesen Speicher:\n" + lines;
}

}  // namespace

int RunCheck(const Options &options)
{
    StoreReading reading;
    if (const int failed = LoadStoreForReading(options, false, reading))
        return failed;
    const StoreContents contents = ContentsOf(reading.model);
    std::string report = "Speicher: " + ShownPath(options.store) + "\n";
    report += "Dateigröße: " + std::to_string(reading.fileSize) + " Bytes\n";
    report += PrivacyWarning(options.store);
    const std::string others = OtherStoresBeside(options.store);
    if (reading.header == StoreScanStatus::Empty) {
        Print(report + "Zustand: leer (noch nie beschrieben)\n" + others + "Ergebnis: in Ordnung\n");
        return kExitDone;
    }
    report += "Format: Version " + std::to_string(kStoreVersion) + "\n";
    report += "Einträge: " + std::to_string(reading.intactEntries) + " intakt\n";
    report += "Objekte: " + std::to_string(contents.objects.size()) + "\n";
    report += "Kategorien: " + std::to_string(contents.categories.size()) + "\n";
    report += "Objekte mit einer Kategorie, die nicht in der Liste steht: " +
              std::to_string(contents.unlistedCategoryObjects) + "\n";
    if (reading.tornTail)
        report += "Ende: unvollständiger letzter Eintrag, " + Count(reading.tornTail, "Byte", "Bytes") + " ab Byte " +
                  std::to_string(reading.validLength) +
                  " (nie bestätigt; Zifferbox schneidet ihn beim nächsten Start ab und hebt ihn in " +
                  "der .tail-Datei auf)\n";
    else if (!reading.Damaged())
        report += "Ende: vollständig\n";
    std::string tail;
    if (ReadSharedFile(StoreTailPath(options.store), tail))
        report += "Abgeschnittenes Ende aufbewahrt: " + ShownPath(StoreTailPath(options.store)) + " (" +
                  Count(tail.size(), "Byte", "Bytes") + ")\n";
    report += others;
    if (reading.Damaged()) {
        const DamagedRange &first = reading.damage.front();
        report += "Beschädigt ab Byte " + std::to_string(first.begin) + ", Eintrag " +
                  std::to_string(first.entryNumber) + ": " + first.reason + "; danach folgen noch " +
                  Count(reading.entriesAfterDamage, "intakter Eintrag", "intakte Einträge") + ".\n";
        report += "Ergebnis: beschädigt. \"zbstore recover AUSGABE\" schreibt einen neuen Speicher mit allen "
                  "intakten Einträgen; die Datei selbst bleibt unverändert.\n";
        Print(report);
        return kExitInvalid;
    }
    Print(report + "Ergebnis: in Ordnung\n");
    return kExitDone;
}

int RunBackup(const Options &options)
{
    if (const int refused = CheckOutput(options))
        return refused;
    StoreReading reading;
    std::string bytes;
    if (const int failed = LoadSoundStore(options, reading, "eine Sicherung wäre es auch", &bytes))
        return failed;
    // The log up to the last whole entry read: consistent at every entry boundary, even while
    // Zifferbox appends.
    bytes.resize(reading.header == StoreScanStatus::Empty ? 0 : reading.validLength);
    const StoreContents contents = ContentsOf(reading.model);
    if (const int failed = WriteStoreOutput(options, bytes, contents))
        return failed;
    Print("Sicherung geschrieben und geprüft: " + ShownPath(options.target) + " (" +
          Count(contents.objects.size(), "Objekt", "Objekte") + ", " +
          Count(contents.categories.size(), "Kategorie", "Kategorien") + ", " + Count(bytes.size(), "Byte", "Bytes") +
          ")\n" +
          (reading.tornTail ? "Nicht übernommen: unvollständiger letzter Eintrag (" +
                                  Count(reading.tornTail, "Byte", "Bytes") + ", nie bestätigt)\n"
                            : std::string()));
    return kExitDone;
}

int RunRecover(const Options &options)
{
    if (const int refused = CheckOutput(options))
        return refused;
    StoreReading reading;
    if (const int failed = LoadStoreForReading(options, true, reading))
        return failed;
    const StoreContents contents = ContentsOf(reading.model);
    const std::string image = EncodeStoreImage(reading.model);
    if (const int failed = WriteStoreOutput(options, image, contents))
        return failed;
    std::string report = "Neuer Speicher geschrieben und geprüft: " + ShownPath(options.target) + "\n";
    report += "Gerettet: " + Count(contents.objects.size(), "Objekt", "Objekte") + ", " +
              Count(contents.categories.size(), "Kategorie", "Kategorien") + " aus " +
              Count(reading.intactEntries + reading.entriesAfterDamage, "intaktem Eintrag", "intakten Einträgen") + "\n";
    if (reading.Damaged())
        report += "Nicht lesbar:\n" + DamageLines(reading);
    for (const std::string &left : reading.contradictions)
        report += "Ausgelassen: " + left + "\n";
    if (reading.tornTail)
        report += "Nicht übernommen: unvollständiger letzter Eintrag (" + Count(reading.tornTail, "Byte", "Bytes") +
                  ", nie bestätigt)\n";
    if (!reading.Damaged() && reading.contradictions.empty())
        report += "Der Speicher war unbeschädigt; der neue hält dieselben Datensätze.\n";
    Print(report);
    return kExitDone;
}

int RunRestore(const Options &options)
{
    std::string backup;
    if (!ReadSharedFile(options.target, backup)) {
        PrintError("Fehler: " + ShownPath(options.target) + " kann nicht gelesen werden: " + SystemMessage(GetLastError()) +
                   "\n");
        return kExitInvalid;
    }
    if (SameFile(options.target, options.store)) {
        PrintError("Fehler: " + ShownPath(options.target) + " ist der Speicher selbst.\n");
        return kExitUsage;
    }
    const StoreReading reading = ReadStore(backup, false);
    if (reading.header != StoreScanStatus::Valid || reading.Damaged()) {
        PrintError("Fehler: " + ShownPath(options.target) + " ist keine intakte Sicherung" +
                   (reading.Damaged() ? " (beschädigt ab Byte " + std::to_string(reading.damage.front().begin) + ": " +
                                            reading.damage.front().reason + ")"
                                      : std::string(" eines Zifferbox-Speichers")) +
                   ". Der Speicher bleibt unverändert.\n");
        return kExitInvalid;
    }
    // Only whole entries: a torn end was never confirmed.
    backup.resize(reading.validLength);

    StoreLock lock;
    if (const int refused = LockStore(options, lock, "stellen Sie dann wieder her"))
        return refused;
    // The replaced store is kept byte for byte, damaged or not, before anything else changes.
    const std::wstring kept = options.store + L".vor-wiederherstellung";
    const bool hadStore = FileExists(options.store);
    if (hadStore) {
        if (FileExists(kept) && !options.force) {
            PrintError("Fehler: " + ShownPath(kept) + " gibt es schon, von einer früheren Wiederherstellung; verschieben "
                       "Sie die Datei, oder ersetzen Sie sie mit --force.\n");
            return kExitUsage;
        }
        std::string current;
        if (!ReadStoreBytes(options.store, current) || !WriteFileAtomically(kept, current, true)) {
            PrintError("Fehler: der bisherige Speicher konnte nicht nach " + ShownPath(kept) + " kopiert werden: " +
                       SystemMessage(GetLastError()) + ". Der Speicher bleibt unverändert.\n");
            return kExitInvalid;
        }
    }
    const StoreContents contents = ContentsOf(reading.model);
    if (!WriteFileAtomically(options.store, backup, true,
                             [&](const std::wstring &written) { return SameContents(written, contents); })) {
        PrintError("Fehler: die Sicherung konnte nicht an die Stelle des Speichers gesetzt werden: " +
                   SystemMessage(GetLastError()) + ". Der Speicher bleibt unverändert.\n");
        return kExitInvalid;
    }
    std::string report = "Wiederhergestellt aus " + ShownPath(options.target) + ": " +
                         Count(contents.objects.size(), "Objekt", "Objekte") + ", " +
                         Count(contents.categories.size(), "Kategorie", "Kategorien") + ".\n";
    // The tail belongs to the replaced store; in front of the new one it would mislead.
    const std::wstring tail = StoreTailPath(options.store);
    const bool tailKept = FileExists(tail) &&
                          MoveFileExW(tail.c_str(), StoreTailPath(kept).c_str(), MOVEFILE_REPLACE_EXISTING);
    DeleteFileW(StaleOrderPath(options.store).c_str());
    FlushFolderOf(options.store);
    if (hadStore)
        report += "Der bisherige Speicher liegt unverändert in " + ShownPath(kept) +
                  (tailKept ? ", sein abgeschnittenes Ende in " + ShownPath(StoreTailPath(kept)) : std::string()) + ".\n";
    if (reading.tornTail)
        report += "Nicht übernommen: unvollständiger letzter Eintrag der Sicherung (" +
                  Count(reading.tornTail, "Byte", "Bytes") + ", nie bestätigt)\n";
    Print(report);
    return kExitDone;
}
