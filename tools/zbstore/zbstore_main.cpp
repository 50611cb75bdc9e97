// zbstore: checks, backs up, restores, recovers, exports, imports, merges and searches Zifferbox's object store
// from the desktop. See Usage() for the commands.
#include <windows.h>
#include <cstring>
#include <vector>
#include "commands.h"
#include "console.h"
#include "file_access.h"
#include "objectstore/file.h"
#include "objectstore/object_store.h"
#include "objectstore/lock.h"
#include "store_reading.h"

namespace {

const char kUsage[] =
    "zbstore: prüft, sichert, stellt wieder her, rettet, exportiert, importiert, führt zusammen und durchsucht den\n"
    "Objektspeicher von Zifferbox.\n"
    "\n"
    "  zbstore check   [--store DATEI]\n"
    "  zbstore backup  [--store DATEI] [--force] AUSGABE\n"
    "  zbstore recover [--store DATEI] [--force] AUSGABE\n"
    "  zbstore export  [--store DATEI] [--force] [--format csv|xml|html] AUSGABE   (AUSGABE \"-\": Standardausgabe)\n"
    "  zbstore import  [--store DATEI] [--dry-run] [--strict] EINGABE.csv|EINGABE.xml\n"
    "  zbstore merge   [--store DATEI] [--dry-run] ANDERE.zbs|ANDERE.csv|ANDERE.xml\n"
    "  zbstore restore [--store DATEI] [--force] SICHERUNG\n"
    "  zbstore find    [--store DATEI] TEXT\n"
    "\n"
    "--store nennt die Speicherdatei; ohne die Angabe gilt die, die Zifferbox öffnet\n"
    "(ZIFFERBOX_OBJECT_STORE, sonst %LOCALAPPDATA%\\Zifferbox\\objectstore.zbs).\n"
    "Eine vorhandene AUSGABE wird nur mit --force ersetzt. \"zbstore BEFEHL --help\" erklärt einen Befehl.\n"
    "\n"
    "Rückgabewerte: 0 erledigt; 1 Speicher oder Eingabe beschädigt oder ungültig (find: nichts gefunden);\n"
    "2 falscher Aufruf; 3 Zifferbox hat den Speicher geöffnet (import und merge ohne --dry-run, restore).\n";

struct Command {
    const char *name;
    int (*run)(const Options &);
    bool needsTarget;
    const char *help;
};

const Command kCommands[] = {
    {"check", RunCheck, false,
     "zbstore check [--store DATEI]\n"
     "Liest den ganzen Speicher, ohne ihn zu ändern, auch während Zifferbox läuft, und meldet Format, Objekte,\n"
     "Kategorien, Objekte mit einer Kategorie außerhalb der Liste, Dateigröße und den Zustand des Endes.\n"
     "Bei einem Schaden: die Stelle (Byte), den Eintrag und wie viele intakte Einträge noch folgen. Nennt die\n"
     "anderen Speicher im selben Ordner (Konfliktkopien eines Sync-Programms, Sicherungen) mit ihren Objekten;\n"
     "\"zbstore merge DATEI\" bringt deren Objekte in den Speicher.\n"
     "Rückgabewert 1, wenn der Speicher beschädigt ist.\n"},
    {"backup", RunBackup, true,
     "zbstore backup [--store DATEI] [--force] AUSGABE\n"
     "Schreibt eine in sich stimmige Kopie des Speichers bis zum letzten vollständigen Eintrag, auch während\n"
     "Zifferbox läuft und schreibt; die Kopie wird auf die Platte geschrieben, zurückgelesen und geprüft, bevor\n"
     "sie ihren Namen bekommt. Eine vorhandene AUSGABE wird nur mit --force ersetzt.\n"},
    {"recover", RunRecover, true,
     "zbstore recover [--store DATEI] [--force] AUSGABE\n"
     "Liest einen beschädigten Speicher, ohne ihn zu ändern, und schreibt einen neuen nach AUSGABE mit jedem\n"
     "intakten Eintrag, vor dem Schaden und danach. Meldet, was gerettet wurde und was nicht (Bytebereiche und\n"
     "die betroffenen Objekte). Zifferbox öffnet den neuen Speicher wie jeden anderen.\n"},
    {"export", RunExport, true,
     "zbstore export [--store DATEI] [--force] [--format csv|xml|html] AUSGABE\n"
     "csv (Vorgabe): UTF-8 mit Byte-Order-Mark, Semikolon, CRLF, Kopfzeile Name;Seriennummer;Bemerkung;Kategorie;\n"
     "öffnet sich in einer deutschen Tabellenkalkulation per Doppelklick. Felder, die mit = oder @ beginnen,\n"
     "bekommen einen Apostroph davor, den import wieder entfernt. Eine Tabellenkalkulation liest CSV aber als\n"
     "Zahlen und Daten: 00123 wird 123, 1/2 ein Datum, 1E5 wird 1.00E+05, und Excel behält nur 15 Ziffern.\n"
     "xml: eine XML-Kalkulationstabelle 2003 (Excel, LibreOffice) mit dem Blatt \"Objekte\", jede Zelle als Text;\n"
     "so bleiben Seriennummern in der Tabellenkalkulation genau erhalten, auch nach dem Speichern.\n"
     "html: eine Seite zum Drucken, nach Kategorien geordnet. AUSGABE \"-\" schreibt auf die Standardausgabe.\n"},
    {"import", RunImport, true,
     "zbstore import [--store DATEI] [--dry-run] [--strict] EINGABE.csv|EINGABE.xml\n"
     "Liest CSV mit ; , oder TAB als Trennzeichen, in UTF-8 (mit oder ohne Byte-Order-Mark) oder Windows-1252,\n"
     "oder eine XML-Kalkulationstabelle 2003, wie export --format xml sie schreibt und Excel oder LibreOffice sie\n"
     "speichern (das Blatt \"Objekte\", sonst das erste). Kopfzeile deutsch oder englisch (Name, Seriennummer/Serial,\n"
     "Bemerkung/Remark/Notes, Kategorie/Category) in beliebiger Reihenfolge. Alles oder nichts: jede Zeile wird\n"
     "zuerst geprüft (Name und Seriennummer nicht leer, höchstens 254 Zeichen je Feld, kein Zeilenumbruch und kein\n"
     "Tabulator in einem Feld); ein Fehler verhindert den ganzen Import. Unbekannte Kategorien kommen in die Liste.\n"
     "Werte, die eine Tabellenkalkulation umgeschrieben hat (XML: Zellen, die nicht Text sind oder eine Formel haben;\n"
     "CSV: Zahlen wie 1,00E+05), werden übernommen, wie sie dastehen, und mit ihrer Zeile gemeldet; --strict\n"
     "verweigert dann den Import. --dry-run prüft nur und ändert nichts, auch während Zifferbox läuft; sonst\n"
     "Rückgabewert 3, solange Zifferbox den Speicher geöffnet hat.\n"},
    {"merge", RunMerge, true,
     "zbstore merge [--store DATEI] [--dry-run] ANDERE\n"
     "Bringt die Objekte eines anderen Speichers (die Konfliktkopie eines Sync-Programms, eine Sicherung, die Kopie\n"
     "des anderen Rechners) oder eines Exports (CSV oder XML-Tabelle, gelesen wie von import) in den Speicher,\n"
     "alles oder nichts, geschrieben wie beim Import. Zwei Objekte sind gleich, wenn Name, Seriennummer, Bemerkung\n"
     "und Kategorie genau übereinstimmen; von jedem kommen so viele hinzu, wie ANDERE mehr davon hat als der\n"
     "Speicher. Kategorien werden vereinigt (gefunden wie in Zifferbox, ohne Rücksicht auf Groß- und\n"
     "Kleinschreibung). Nichts im Speicher wird geändert oder gelöscht; Objekte mit gleichem Namen und anderen\n"
     "Angaben werden mit beiden Fassungen gemeldet. --dry-run meldet nur und ändert nichts, auch während Zifferbox\n"
     "läuft; sonst Rückgabewert 3, solange Zifferbox den Speicher geöffnet hat.\n"},
    {"restore", RunRestore, true,
     "zbstore restore [--store DATEI] [--force] SICHERUNG\n"
     "Prüft die Sicherung und setzt sie an die Stelle des Speichers; die Sicherung selbst bleibt erhalten. Der\n"
     "bisherige Speicher bleibt als SPEICHER.vor-wiederherstellung daneben liegen (mit seiner .tail-Datei, wenn es\n"
     "eine gibt); liegt dort schon eine, ersetzt erst --force sie. Eine beschädigte Sicherung wird abgelehnt, der\n"
     "Speicher bleibt dann unverändert. Rückgabewert 3, solange Zifferbox den Speicher geöffnet hat.\n"},
    {"find", RunFind, true,
     "zbstore find [--store DATEI] TEXT\n"
     "Zeigt jedes Objekt, in dessen Name, Seriennummer, Bemerkung oder Kategorie TEXT vorkommt, ohne Rücksicht\n"
     "auf Groß- und Kleinschreibung (Umlaute eingeschlossen; ß findet auch ss und SS, und umgekehrt), in der\n"
     "Namensreihenfolge, ein Objekt je Zeile mit seinen Feldern durch Tabulatoren getrennt. Rückgabewert 0 mit\n"
     "Treffern, 1 ohne.\n"},
};

int UsageError(const std::string &why)
{
    PrintError("Fehler: " + why + "\n\n" + kUsage);
    return kExitUsage;
}

}  // namespace

std::string SystemMessage(unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "nicht gefunden";
    case ERROR_ACCESS_DENIED: return "Zugriff verweigert";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "von einem anderen Programm belegt";
    case ERROR_DIRECTORY: return "ist ein Ordner";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "der Datenträger ist voll";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "die Datei gibt es schon";
    }
    return "Fehler " + std::to_string(error);
}

int LoadStoreForReading(const Options &options, bool salvage, StoreReading &reading, std::string *snapshot)
{
    std::string read;
    std::string &bytes = snapshot ? *snapshot : read;
    if (!ReadStoreBytes(options.store, bytes)) {
        const DWORD error = GetLastError();
        PrintError("Fehler: der Speicher " + ShownPath(options.store) + " kann nicht gelesen werden: " +
                   SystemMessage(error) + "\n");
        return kExitInvalid;
    }
    reading = ReadStore(bytes, salvage);
    if (reading.header == StoreScanStatus::Damaged && !salvage) {
        PrintError("Fehler: " + ShownPath(options.store) +
                   " ist kein Zifferbox-Speicher, oder sein Kopf ist beschädigt (Byte 0 bis 16).\n");
        return kExitInvalid;
    }
    return kExitDone;
}

int LoadSoundStore(const Options &options, StoreReading &reading, const char *refused, std::string *bytes)
{
    if (const int failed = LoadStoreForReading(options, false, reading, bytes))
        return failed;
    if (!reading.Damaged())
        return kExitDone;
    PrintError("Fehler: der Speicher ist ab Byte " + std::to_string(reading.damage.front().begin) + " beschädigt; " +
               refused + ". \"zbstore recover AUSGABE\" rettet die intakten Einträge.\n");
    return kExitInvalid;
}

int LockStore(const Options &options, StoreLock &lock, const char *thenDo)
{
    // Import and restore may write the first store: its folder is made as Zifferbox makes it.
    CreateStoreFolder(options.store);
    if (lock.Acquire(options.store))
        return kExitDone;
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
        PrintError(std::string("Zifferbox hat den Speicher geöffnet. Beenden Sie Zifferbox und ") + thenDo + ".\n");
        return kExitInUse;
    }
    PrintError("Fehler: " + ShownPath(options.store) + " kann nicht geöffnet werden: " + SystemMessage(error) + "\n");
    return kExitInvalid;
}

int CheckOutput(const Options &options)
{
    std::string refusal;
    if (IsFolder(options.target))
        refusal = ShownPath(options.target) + " ist ein Ordner; AUSGABE muss eine Datei sein.";
    else if (SameFile(options.target, options.store))
        refusal = ShownPath(options.target) + " ist der Speicher selbst.";
    else if (FileExists(options.target) && !options.force)
        refusal = ShownPath(options.target) + " gibt es schon; --force ersetzt die Datei.";
    if (refusal.empty())
        return kExitDone;
    PrintError("Fehler: " + refusal + "\n");
    return kExitUsage;
}

int wmain(int argc, wchar_t **argv)
{
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == L"--help" || args[0] == L"-h" || args[0] == L"help") {
        (args.empty() ? PrintError : Print)(kUsage);
        return args.empty() ? kExitUsage : kExitDone;
    }
    const Command *command = nullptr;
    for (const Command &candidate : kCommands)
        if (Utf8(args[0]) == candidate.name)
            command = &candidate;
    if (!command)
        return UsageError("unbekannter Befehl \"" + Utf8(args[0]) + "\".");

    Options options;
    std::vector<std::wstring> positional;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring &arg = args[i];
        if (arg == L"--help" || arg == L"-h") {
            Print(command->help);
            return kExitDone;
        } else if (arg == L"--store" && i + 1 < args.size()) {
            options.store = args[++i];
        } else if (arg == L"--format" && i + 1 < args.size() && std::strcmp(command->name, "export") == 0) {
            options.format = Utf8(args[++i]);
        } else if (arg == L"--force" && command->run != RunImport && command->run != RunFind &&
                   command->run != RunCheck && command->run != RunMerge) {
            options.force = true;
        } else if (arg == L"--dry-run" && (command->run == RunImport || command->run == RunMerge)) {
            options.dryRun = true;
        } else if (arg == L"--strict" && command->run == RunImport) {
            options.strict = true;
        } else if (arg.size() > 1 && arg[0] == L'-' && arg != L"-" && command->run != RunFind) {
            return UsageError("unbekannte Angabe \"" + Utf8(arg) + "\" für " + command->name + ".");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != (command->needsTarget ? 1u : 0u))
        return UsageError(std::string(command->name) +
                          (command->needsTarget ? " braucht genau eine Angabe nach den Optionen." : " nimmt keine weitere Angabe."));
    if (command->needsTarget)
        options.target = positional[0];
    if (options.store.empty()) {
        WCHAR path[MAX_PATH];
        if (!StoreFilePath(path, MAX_PATH)) {
            PrintError("Fehler: der Pfad des Speichers ist unbekannt; nennen Sie ihn mit --store.\n");
            return kExitUsage;
        }
        options.store = path;
    }
    return command->run(options);
}
