// The second process of the store tests.
//   store_child writer <ack file> <seed>: writes, overwrites and deletes records of the
//     database "Zifferbox" without end, noting each call before it starts ("B ...") and after
//     it returned success ("A ..."), until it is killed.
//   store_child rival: tries to open and to create databases; exit code 0 when both fail.
// The store file comes from ZIFFERBOX_OBJECT_STORE, inherited from the test.
#include <windows.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>
#include "app_support/store_test_support.h"

namespace {

class AckFile {
public:
    explicit AckFile(const wchar_t *path)
        : file_(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr))
    {
    }
    ~AckFile() { CloseHandle(file_); }
    // A finished WriteFile survives the kill of this process: the system holds the data.
    void Line(const char *format, unsigned long a, unsigned long b = 0)
    {
        char line[64];
        const int length = snprintf(line, sizeof line, format, a, b);
        DWORD written = 0;
        WriteFile(file_, line, length, &written, nullptr);
    }

private:
    HANDLE file_;
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

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && std::wstring(argv[1]) == L"writer")
        return RunWriter(argv[2], wcstoul(argv[3], nullptr, 10));
    if (argc == 2 && std::wstring(argv[1]) == L"rival")
        return RunRival();
    return 2;
}
