// Figures of the object store at its limit of 65,535 records with four realistic text fields.
// Prints one "name: value unit" line per figure.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "objectstore/object_store.h"
#include "objectstore/file.h"
#include "store/property_ids.h"

namespace {

constexpr CEPROPID kProps[4] = {PROP_NAME, PROP_SERIAL_NUMBER, PROP_REMARK, PROP_CATEGORY};
constexpr int kTimedCalls = 200;

double Milliseconds(const LARGE_INTEGER &start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// Object n: a name, a serial number, a remark and a category of 20 to 60 characters.
std::vector<std::wstring> ObjectFields(unsigned n)
{
    static const wchar_t *const makers[] = {L"Microsoft Office", L"Adobe Photoshop", L"Nokia Handy", L"Brenvo Drucker",
                                            L"Äpfelsoft Buchhaltung", L"Zifferwerk Navigationssystem"};
    static const wchar_t *const categories[] = {L"Software für das Büro", L"Geräte im Haushalt und Garten",
                                                L"Unterhaltungselektronik", L"Fahrzeuge und Zubehörteile"};
    WCHAR text[4][96];
    wsprintfW(text[0], L"%s Version %u.%u Lizenz %05u", makers[n % 6], n % 13, n % 7, n);
    wsprintfW(text[1], L"%04X-%04X-%04X-%04X-%04X", n * 7919 & 0xFFFF, n * 104729 & 0xFFFF, n & 0xFFFF, ~n & 0xFFFF,
              n * 31 & 0xFFFF);
    wsprintfW(text[2], L"gekauft im Fachhandel am %02u.%02u.%04u, Rechnung Nr. %u", n % 28 + 1, n % 12 + 1,
              1995 + n % 30, n * 13);
    wsprintfW(text[3], L"%s", categories[n % 4]);
    return {text[0], text[1], text[2], text[3]};
}

CEOID WriteObject(HANDLE database, CEOID record, unsigned n)
{
    const std::vector<std::wstring> fields = ObjectFields(n);
    CEPROPVAL values[4] = {};
    for (int i = 0; i < 4; ++i) {
        values[i].propid = kProps[i];
        values[i].val.lpwstr = const_cast<LPWSTR>(fields[i].c_str());
    }
    return CeWriteRecordProps(database, record, 4, values);
}

HANDLE OpenObjects()
{
    CEOID id = 0;
    return CeOpenDatabase(&id, const_cast<LPWSTR>(L"Zifferbox"), kProps[0], CEDB_AUTOINCREMENT, nullptr);
}

BOOL NoFlush(HANDLE) { return TRUE; }

// Durable calls a writer gets acknowledged in one second on a small store, as the killed writer
// of the durability tests makes them: new records and overwrites of texts up to 900 characters,
// compactions included. -1 when the store refuses.
int AcknowledgedCallsInOneSecond(const std::wstring &path)
{
    DeleteFileW(path.c_str());
    InstallProcessStore(RealStoreFileOps(), path);
    SORTORDERSPEC order = {kProps[0], CEDB_SORT_CASEINSENSITIVE};
    if (!CeCreateDatabase(const_cast<LPWSTR>(L"Zifferbox"), 0, 1, &order))
        return -1;
    HANDLE database = OpenObjects();
    std::vector<CEOID> records;
    int calls = 0;
    const LARGE_INTEGER start = Now();
    for (unsigned n = 0; Milliseconds(start) < 1000.0; ++n) {
        const std::wstring text = L"R" + std::to_wstring(n) + L" " + std::wstring(n * 37 % 900, L'x');
        CEPROPVAL value = {};
        value.propid = kProps[0];
        value.val.lpwstr = const_cast<LPWSTR>(text.c_str());
        const CEOID record = records.empty() || n % 3 == 0 ? 0 : records[n % records.size()];
        const CEOID written = CeWriteRecordProps(database, record, 1, &value);
        if (written == 0) {
            calls = -1;
            break;
        }
        if (record == 0)
            records.push_back(written);
        ++calls;
    }
    CeCloseDatabase(database);
    DeleteFileW(path.c_str());
    return calls;
}

}  // namespace

int main()
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zifferbox-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\objectstore.zbs";
    DeleteFileW(path.c_str());

    // Filling happens with flushes switched off; every figure below is taken with the real calls.
    StoreFileOps fast = RealStoreFileOps();
    fast.flushFile = NoFlush;
    InstallProcessStore(fast, path);
    SORTORDERSPEC order = {kProps[0], CEDB_SORT_CASEINSENSITIVE};
    if (!CeCreateDatabase(const_cast<LPWSTR>(L"Zifferbox"), 0, 1, &order)) {
        fprintf(stderr, "store_bench: cannot create the database\n");
        return 1;
    }
    HANDLE database = OpenObjects();
    for (unsigned n = 0; n < CEDB_MAXRECORDS; ++n) {
        if (!WriteObject(database, 0, n)) {
            fprintf(stderr, "store_bench: write %u failed\n", n);
            return 1;
        }
    }
    CeCloseDatabase(database);  // the last handle: the store lets go of the file
    InstallProcessStore(RealStoreFileOps(), path);

    LARGE_INTEGER start = Now();
    database = OpenObjects();
    const double openMs = Milliseconds(start);
    if (database == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "store_bench: cannot open the filled store\n");
        return 1;
    }

    start = Now();
    CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr);
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    unsigned records = 0;
    std::vector<CEOID> ids;
    while (CEOID id = CeReadRecordProps(database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size)) {
        ids.push_back(id);
        ++records;
    }
    const double readMs = Milliseconds(start);
    LocalFree(buffer);

    start = Now();
    DWORD position = 0;
    const CEOID last = CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 65534, &position);
    const double seekMs = Milliseconds(start);

    // Deletes of records spread over the order, then as many new records into the freed room.
    start = Now();
    for (int i = 0; i < kTimedCalls; ++i)
        CeDeleteRecord(database, ids[i * (ids.size() / kTimedCalls)]);
    const double deleteMs = Milliseconds(start) / kTimedCalls;
    start = Now();
    int written = 0;
    for (int i = 0; i < kTimedCalls; ++i)
        written += WriteObject(database, 0, 70000 + i) != 0;
    const double writeMs = Milliseconds(start) / kTimedCalls;
    CeCloseDatabase(database);

    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    const ULONGLONG fileSize = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;

    if (records != CEDB_MAXRECORDS || last == 0 || position != 65534 || written != kTimedCalls) {
        fprintf(stderr, "store_bench: read %u records, seek reached %lu, %d writes succeeded\n", records, last, written);
        return 1;
    }
    printf("store_open_replay: %.1f ms\n", openMs);
    printf("store_sequential_read: %.1f ms\n", readMs);
    printf("store_seek_position_65534: %.3f ms\n", seekMs);
    printf("store_durable_write_avg: %.3f ms\n", writeMs);
    printf("store_delete_avg: %.3f ms\n", deleteMs);
    printf("store_file_size: %llu bytes\n", fileSize);
    DeleteFileW(path.c_str());

    const int acknowledged = AcknowledgedCallsInOneSecond(folder + L"\\writer.zbs");
    if (acknowledged < 0) {
        fprintf(stderr, "store_bench: the small store refused a write\n");
        return 1;
    }
    printf("store_acknowledged_calls_1s: %d calls\n", acknowledged);
    return 0;
}
