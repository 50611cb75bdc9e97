// Figures of the store classes at 65,535 objects, as the main window uses them: open, fill the
// name list, read the last position, find the position of the current object, durable writes
// and deletes. Prints one "name: value unit" line per figure. With a count as its argument it
// measures a store of that many objects instead and leaves out the 10,000 writes.
#include "objectstore/file.h"
#include "objectstore/log_reader.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

int totalObjects = 65535;
constexpr int TIMED_CALLS = 50;
const wchar_t *const CATEGORIES[] = {L"Software", L"Geräte", L"Fahrzeuge", L"Büro"};

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Processor time of the process so far, which a loaded machine disturbs less than the clock.
double CpuNow()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME &t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

void Figure(const char *name, double value, const char *unit)
{
    std::printf("%s: %.2f %s\n", name, value, unit);
}

void WriteObject(int n)
{
    wchar_t name[80], serial[64], remark[96];
    swprintf(name, 80, L"Objekt %05d Lizenz %c%c für das Büro", (n * 7919) % 65536, L'A' + n % 26, L'a' + n / 26 % 26);
    swprintf(serial, 64, L"SN-%08X-%04d-XYZ", static_cast<unsigned>(n) * 2654435761u, n % 10000);
    swprintf(remark, 96, L"Gekauft am %02d.%02d.20%02d, Beleg im Ordner %d", 1 + n % 28, 1 + n % 12, n % 25, n % 40);
    objectDatabase.writeNewObject(name, serial, remark, CATEGORIES[n % 4]);
}

// What any open has to do at least: read the whole file and check the CRC of every entry.
double FloorReadCrc(const std::wstring &path)
{
    const double cpu = CpuNow();
    const double start = Now();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    StoreLogReader reader(bytes.data(), got);
    size_t entries = 0;
    if (reader.ReadHeader() == StoreScanStatus::Valid) {
        StoreLogRecord record;
        while (reader.Next(record))
            ++entries;
    }
    const double elapsed = Now() - start;
    if (entries == 0)
        std::printf("# floor read no entries\n");
    std::printf("# processor time %.0f ms\n", CpuNow() - cpu);
    return elapsed;
}

// Overwrites the object at position n (all categories) with the texts of object `text`.
void OverwriteAt(int n, int text)
{
    wchar_t name[kFieldCapacity], serial[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
    objectDatabase.readFilteredObject(n, name, serial, remark, category);
    swprintf(name, 80, L"Objekt %05d Lizenz %c%c für das Büro", (text * 7919) % 65536, L'A' + text % 26,
             L'a' + text / 26 % 26);
    objectDatabase.overwriteCurrentObject(name, serial, remark, category);
}

// Durable overwrites at a full store, one of them paying for the compaction: the file is aged
// first (without flushes) until its dead entries nearly outweigh the live ones.
double FileMiB(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes))
        return 0;
    return double(attributes.nFileSizeLow) / (1024.0 * 1024.0);
}

void WritesWithCompaction(int objects, const std::wstring &path)
{
    constexpr int WRITES = 10000;
    StoreFileOps fast = RealStoreFileOps();
    fast.flushFile = [](HANDLE) -> BOOL { return TRUE; };
    InstallProcessStore(fast, path);
    CopyField(categoryFilter, kAllCategories);
    const int aged = std::max(0, objects - WRITES / 2);
    for (int n = 0; n < aged; ++n)
        OverwriteAt(n, n + 1);
    InstallProcessStore(RealStoreFileOps(), path);
    std::vector<double> times;
    times.reserve(WRITES);
    const double agedMiB = FileMiB(path);
    for (int n = 0; n < WRITES; ++n) {
        const int position = static_cast<int>((n * 7919LL) % objects);
        wchar_t name[kFieldCapacity], serial[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
        objectDatabase.readFilteredObject(position, name, serial, remark, category);
        swprintf(name, 80, L"Objekt %05d Lizenz %c%c für das Büro", (n * 104729) % 65536, L'A' + n % 26,
                 L'a' + n / 26 % 26);
        const double start = Now();
        objectDatabase.overwriteCurrentObject(name, serial, remark, category);
        times.push_back(Now() - start);
    }
    std::printf("# store file %.1f MiB before the writes, %.1f MiB after\n", agedMiB, FileMiB(path));
    std::sort(times.begin(), times.end());
    Figure("store_write_p99_with_compaction", times[WRITES * 99 / 100], "ms");
    Figure("store_write_max_with_compaction", times.back(), "ms");
}

void CloseStores()
{
    objectDatabase.~ObjectDatabase();
    new (&objectDatabase) ObjectDatabase();
    categoryDatabase.~CategoryDatabase();
    new (&categoryDatabase) CategoryDatabase();
}

}  // namespace

int main(int argc, char **argv)
{
    const bool scaling = argc > 1;
    if (scaling)
        totalObjects = std::max(2 * TIMED_CALLS + 1, std::min(65535, std::atoi(argv[1])));
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"zifferbox-classes-bench.zbs";
    DeleteFileW(path.c_str());

    // Filling 65,535 objects durably would only measure the disk: the fill skips the flushes.
    StoreFileOps fast = RealStoreFileOps();
    fast.flushFile = [](HANDLE) -> BOOL { return TRUE; };
    InstallProcessStore(fast, path);
    objectDatabase.openOrCreate(L"Zifferbox");
    categoryDatabase.openOrCreate(L"Zifferbox-Kategorien");
    for (const wchar_t *category : CATEGORIES)
        categoryDatabase.addCategory(category);
    for (int n = 0; n < totalObjects - TIMED_CALLS; ++n)
        WriteObject(n);
    InstallProcessStore(RealStoreFileOps(), path);
    CloseStores();

    Figure("store_floor_read_crc", FloorReadCrc(path), "ms");
    double cpu = CpuNow();
    double start = Now();
    objectDatabase.openOrCreate(L"Zifferbox");
    categoryDatabase.openOrCreate(L"Zifferbox-Kategorien");
    Figure("classes_open_both_databases", Now() - start, "ms");
    std::printf("# processor time %.0f ms\n", CpuNow() - cpu);

    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_NOTIFY, 0, 0, 200, 400, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    CopyField(categoryFilter, kAllCategories);
    start = Now();
    objectDatabase.fillFilteredNameList(list);
    Figure("classes_fill_name_list_all", Now() - start, "ms");
    std::printf("# listed %d names\n", static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)));
    CopyField(categoryFilter, L"Geräte");
    start = Now();
    objectDatabase.fillFilteredNameList(list);
    Figure("classes_fill_name_list_category", Now() - start, "ms");

    wchar_t name[kFieldCapacity], serial[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
    const int lastOfCategory = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - 1;
    start = Now();
    objectDatabase.readFilteredObject(lastOfCategory, name, serial, remark, category);
    Figure("classes_read_last_position_category", Now() - start, "ms");
    start = Now();
    const int position = objectDatabase.indexOfCurrentObject();
    Figure("classes_index_of_current_category", Now() - start, "ms");
    if (position != lastOfCategory)
        std::printf("# unexpected position %d of %d\n", position, lastOfCategory);

    CopyField(categoryFilter, kAllCategories);
    start = Now();
    objectDatabase.readFilteredObject(totalObjects - TIMED_CALLS - 1, name, serial, remark, category);
    Figure("classes_read_last_position_all", Now() - start, "ms");
    start = Now();
    objectDatabase.indexOfCurrentObject();
    Figure("classes_index_of_current_all", Now() - start, "ms");

    start = Now();
    for (int n = totalObjects - TIMED_CALLS; n < totalObjects; ++n)
        WriteObject(n);
    Figure("classes_durable_write_new_avg", (Now() - start) / TIMED_CALLS, "ms");
    Figure("classes_object_count", objectDatabase.objectCount(), "objects");

    start = Now();
    for (int n = 0; n < TIMED_CALLS; ++n)
        objectDatabase.deleteFilteredObject(totalObjects - 1 - 2 * n);
    Figure("classes_delete_filtered_avg", (Now() - start) / TIMED_CALLS, "ms");

    DestroyWindow(list);
    CloseStores();
    Figure("classes_store_file_size", FileMiB(path), "MiB");

    if (!scaling) {
        objectDatabase.openOrCreate(L"Zifferbox");
        categoryDatabase.openOrCreate(L"Zifferbox-Kategorien");
        WritesWithCompaction(objectDatabase.objectCount(), path);
        CloseStores();
    }
    DeleteFileW(path.c_str());
    return 0;
}
