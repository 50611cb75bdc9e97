// Figures of the store classes at 65,535 objects, as the main window uses them: open, fill the
// name list, read the last position, find the position of the current object, durable writes
// and deletes. Prints one "name: value unit" line per figure.
#include "platform/store_file.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include <cstdio>
#include <new>
#include <string>

namespace {

constexpr int OBJECTS = 65535;
constexpr int TIMED_CALLS = 50;
const wchar_t *const CATEGORIES[] = {L"Software", L"Geräte", L"Fahrzeuge", L"Büro"};

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
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

void CloseStores()
{
    objectDatabase.~ObjectDatabase();
    new (&objectDatabase) ObjectDatabase();
    categoryDatabase.~CategoryDatabase();
    new (&categoryDatabase) CategoryDatabase();
}

}  // namespace

int main()
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"zifferbox-classes-bench.zbs";
    DeleteFileW(path.c_str());
    SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", path.c_str());

    // Filling 65,535 objects durably would only measure the disk: the fill skips the flushes.
    StoreFileOps fast = RealStoreFileOps();
    fast.flushFile = [](HANDLE) -> BOOL { return TRUE; };
    InstallProcessStore(fast);
    objectDatabase.openOrCreate(L"Zifferbox");
    categoryDatabase.openOrCreate(L"Zifferbox-Kategorien");
    for (const wchar_t *category : CATEGORIES)
        categoryDatabase.addCategory(category);
    for (int n = 0; n < OBJECTS - TIMED_CALLS; ++n)
        WriteObject(n);
    InstallProcessStore(RealStoreFileOps());
    CloseStores();

    double start = Now();
    objectDatabase.openOrCreate(L"Zifferbox");
    categoryDatabase.openOrCreate(L"Zifferbox-Kategorien");
    Figure("classes_open_both_databases", Now() - start, "ms");

    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_NOTIFY, 0, 0, 200, 400, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    CopyField(categoryFilter, ALL_CATEGORIES);
    start = Now();
    objectDatabase.fillFilteredNameList(list);
    Figure("classes_fill_name_list_all", Now() - start, "ms");
    std::printf("# listed %d names\n", static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)));
    CopyField(categoryFilter, L"Geräte");
    start = Now();
    objectDatabase.fillFilteredNameList(list);
    Figure("classes_fill_name_list_category", Now() - start, "ms");

    wchar_t name[FIELD_CAPACITY], serial[FIELD_CAPACITY], remark[FIELD_CAPACITY], category[FIELD_CAPACITY];
    const int lastOfCategory = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - 1;
    start = Now();
    objectDatabase.readFilteredObject(lastOfCategory, name, serial, remark, category);
    Figure("classes_read_last_position_category", Now() - start, "ms");
    start = Now();
    const int position = objectDatabase.indexOfCurrentObject();
    Figure("classes_index_of_current_category", Now() - start, "ms");
    if (position != lastOfCategory)
        std::printf("# unexpected position %d of %d\n", position, lastOfCategory);

    CopyField(categoryFilter, ALL_CATEGORIES);
    start = Now();
    objectDatabase.readFilteredObject(OBJECTS - TIMED_CALLS - 1, name, serial, remark, category);
    Figure("classes_read_last_position_all", Now() - start, "ms");
    start = Now();
    objectDatabase.indexOfCurrentObject();
    Figure("classes_index_of_current_all", Now() - start, "ms");

    start = Now();
    for (int n = OBJECTS - TIMED_CALLS; n < OBJECTS; ++n)
        WriteObject(n);
    Figure("classes_durable_write_new_avg", (Now() - start) / TIMED_CALLS, "ms");
    Figure("classes_object_count", objectDatabase.objectCount(), "objects");

    start = Now();
    for (int n = 0; n < TIMED_CALLS; ++n)
        objectDatabase.deleteFilteredObject(OBJECTS - 1 - 2 * n);
    Figure("classes_delete_filtered_avg", (Now() - start) / TIMED_CALLS, "ms");

    DestroyWindow(list);
    CloseStores();
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes))
        Figure("classes_store_file_size", double(attributes.nFileSizeLow) / (1024.0 * 1024.0), "MiB");
    DeleteFileW(path.c_str());
    return 0;
}
