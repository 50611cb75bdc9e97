// The subcommands of zbstore. Each reports in German and returns the program's exit code.
#pragma once
#include <string>
#include <vector>

enum ExitCode {
    kExitDone = 0,
    kExitInvalid = 1,  // the store or the input is damaged or invalid (find: nothing found)
    kExitUsage = 2,
    kExitInUse = 3,    // Zifferbox has the store open
};

struct Options {
    std::wstring store;   // the store file
    std::wstring target;  // OUTPUT or INPUT or TEXT
    std::string format = "csv";
    bool force = false;
    bool dryRun = false;
    bool strict = false;  // import: refuse values a spreadsheet rewrote
};

int RunCheck(const Options &options);
int RunBackup(const Options &options);
int RunRecover(const Options &options);
int RunExport(const Options &options);
int RunFind(const Options &options);
int RunImport(const Options &options);
int RunMerge(const Options &options);
int RunRestore(const Options &options);

// Shared by the commands: the store read for reading, or an exit code with the reason printed.
// bytes, when given, receives the file as read: the one snapshot the reading describes.
struct StoreReading;
int LoadStoreForReading(const Options &options, bool salvage, StoreReading &reading, std::string *bytes = nullptr);
// The same for commands that need the whole store: damage is refused, saying what it stops.
int LoadSoundStore(const Options &options, StoreReading &reading, const char *refused, std::string *bytes = nullptr);
// Takes the one-writer lock of the store, or an exit code with the reason printed (kExitInUse
// while Zifferbox runs); then names what the user should do after ending Zifferbox.
class StoreLock;
int LockStore(const Options &options, StoreLock &lock, const char *thenDo);
// Refuses an OUTPUT that exists (without --force), is a folder or is the store itself.
int CheckOutput(const Options &options);
std::string SystemMessage(unsigned long error);

// The import's reading of a table file (CSV or spreadsheet XML) whose bytes are input: an exit
// code, with every problem of the file printed.
struct TableImport;
struct ImportNote;
int ReadObjectTable(const std::wstring &path, const std::string &input, TableImport &table);
// "Zeichensatz UTF-8, Trennzeichen ;" or "XML-Tabelle, Blatt ...": what was read.
std::string TableSource(const TableImport &table);
// The columns left out and, under changesHeading, the values a spreadsheet rewrote.
std::string TableReport(const TableImport &table, const char *changesHeading);
// Notes one a line with their row and byte; "und N weitere more" past the listed ones.
std::string ListedNotes(const std::vector<ImportNote> &notes, size_t count, const char *more);
