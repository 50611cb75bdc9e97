// The second process of the store tests.
//   store_child writer <ack file> <seed>: writes, overwrites and deletes records of the
//     database "Zifferbox" without end, noting each call before it starts ("B ...") and after
//     it returned success ("A ..."), until it is killed.
//   store_child rival: tries to open and to create databases; exit code 0 when both fail.
//   store_child hold <name> <ready file> <release file>: adds a record named <name> and keeps
//     the store open until <release file> appears, then adds "<name>2" and ends.
//   store_child names: prints the names of the records of "Zifferbox", one a line.
// The store file comes from ZIFFERBOX_OBJECT_STORE, inherited from the test.
#include <windows.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>
#include "app_support/store_test_support.h"
#include "common/unique_handles.h"
#include "support/test_files.h"

namespace {

class AckFile {
public:
    explicit AckFile(const wchar_t *path)
        : file_(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr))
    {
    }
    // A finished WriteFile survives the kill of this process: the system holds the data.
    void Line(const char *format, unsigned long a, unsigned long b = 0)
    {
        char line[64];
        const int length = snprintf(line, sizeof line, format, a, b);
        DWORD written = 0;
        WriteFile(file_.get(), line, length, &written, nullptr);
    }

private:
    UniqueFile file_;
};

int RunWriter(const wchar_t *ackPath, unsigned long seed)
{
    AckFile ack(ackPath);
    CEOID id = 0;
    HANDLE database = OpenByName(L"Zifferbox", kNameProp, &id);
    if (database == INVALID_HANDLE_VALUE) {
        CreateTextDatabase(L"Zifferbox");
        database = OpenByName(L"Zifferbox", kNameProp, &id);
    }
    if (database == INVALID_HANDLE_VALUE)
        return 3;
    std::vector<CEOID> records = ReadAllIds(database);
    std::mt19937 random(seed);
    for (unsigned long n = seed * 100000;; ++n) {
        const unsigned choice = random() % 20;
        if (records.empty() || choice < 6) {
            ack.Line("B N 0 %lu\n", n);
            const CEOID record = WriteTexts(database, 0, {{kNameProp, KillTestText(n)}});
            if (record == 0)
                return 4;
            ack.Line("A N %lu %lu\n", record, n);
            records.push_back(record);
        } else if (choice < 17) {
            const CEOID record = records[random() % records.size()];
            ack.Line("B O %lu %lu\n", record, n);
            if (WriteTexts(database, record, {{kNameProp, KillTestText(n)}}) != record)
                return 5;
            ack.Line("A O %lu %lu\n", record, n);
        } else {
            const size_t at = random() % records.size();
            const CEOID record = records[at];
            ack.Line("B D %lu\n", record);
            if (!CeDeleteRecord(database, record))
                return 6;
            ack.Line("A D %lu\n", record);
            records.erase(records.begin() + at);
        }
    }
}

int RunRival()
{
    CEOID id = 0;
    HANDLE opened = OpenByName(L"Zifferbox", kNameProp, &id);
    const CEOID created = CreateTextDatabase(L"Rivale");
    if (opened != INVALID_HANDLE_VALUE)
        CeCloseDatabase(opened);
    return opened == INVALID_HANDLE_VALUE && created == 0 ? 0 : 1;
}

HANDLE OpenOrCreate()
{
    HANDLE database = OpenByName(L"Zifferbox");
    if (database == INVALID_HANDLE_VALUE && CreateTextDatabase(L"Zifferbox"))
        database = OpenByName(L"Zifferbox");
    return database;
}

int RunHolder(const std::wstring &name, const wchar_t *readyPath, const wchar_t *releasePath)
{
    DatabaseHandle database(OpenOrCreate());
    if (!database.valid() || !WriteTexts(database.get(), 0, {{kNameProp, name}}))
        return 3;
    CloseHandle(CreateFileW(readyPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int waited = 0; !FileExists(releasePath); waited += 50) {
        if (waited > 120000)
            return 4;
        Sleep(50);
    }
    return WriteTexts(database.get(), 0, {{kNameProp, name + L"2"}}) ? 0 : 5;
}

int RunNames()
{
    DatabaseHandle database(OpenByName(L"Zifferbox"));
    if (!database.valid())
        return 3;
    for (const std::wstring &name : ReadAllTexts(database.get()))
        printf("%ls\n", name.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && std::wstring(argv[1]) == L"writer")
        return RunWriter(argv[2], wcstoul(argv[3], nullptr, 10));
    if (argc == 2 && std::wstring(argv[1]) == L"rival")
        return RunRival();
    if (argc == 5 && std::wstring(argv[1]) == L"hold")
        return RunHolder(argv[2], argv[3], argv[4]);
    if (argc == 2 && std::wstring(argv[1]) == L"names")
        return RunNames();
    return 2;
}
