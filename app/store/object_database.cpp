#include "store/object_database.h"
#include "store/category_filter.h"
#include "store/record_buffer.h"
#include "store/sorted_database.h"
#include <algorithm>
#include <cwchar>

namespace {

// Which records pass the current filter; the reserved texts are compared once per scan.
class PassTest {
public:
    PassTest()
        : all(wcscmp(categoryFilter, kAllCategories) == 0), none(wcscmp(categoryFilter, kNoCategory) == 0) {}
    bool passesAll() const { return all; }
    bool passes(const WCHAR *category) const
    {
        if (all)
            return true;
        if (none)
            return category[0] == L'\0';
        return wcscmp(category, categoryFilter) == 0;
    }

private:
    bool all;
    bool none;
};

}  // namespace

ObjectDatabase::ObjectDatabase() : database(INVALID_HANDLE_VALUE), databaseIdentifier(0), currentRecord(0) {}

ObjectDatabase::~ObjectDatabase()
{
    if (database != INVALID_HANDLE_VALUE)
        CeCloseDatabase(database);
}

const std::vector<CEOID> *ObjectDatabase::listedRecords() const
{
    return listedValid && listedFilter == categoryFilter ? &listed : nullptr;
}

void ObjectDatabase::forgetListedRecords()
{
    listed.clear();
    listedValid = false;
}

bool ObjectDatabase::openOrCreate(const WCHAR *databaseName)
{
    forgetListedRecords();
    database = OpenOrCreateSortedDatabase(databaseName, PROP_NAME, &databaseIdentifier);
    return database == INVALID_HANDLE_VALUE;
}

CEOID ObjectDatabase::writeObject(CEOID record, const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                  const WCHAR *category)
{
    static const CEPROPID propids[4] = {PROP_NAME, PROP_SERIAL_NUMBER, PROP_REMARK, PROP_CATEGORY};
    const WCHAR *const texts[4] = {name, serialNumber, remark, category};
    forgetListedRecords();
    currentRecord = WriteTextRecord(database, record, 4, propids, texts);
    return currentRecord;
}

CEOID ObjectDatabase::writeNewObject(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                     const WCHAR *category)
{
    return writeObject(0, name, serialNumber, remark, category);
}

CEOID ObjectDatabase::overwriteCurrentObject(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                             const WCHAR *category)
{
    return writeObject(currentRecord, name, serialNumber, remark, category);
}

void ObjectDatabase::fillFilteredNameList(HWND listBox)
{
    // Repainting after every added name costs milliseconds each with thousands of objects.
    SendMessageW(listBox, WM_SETREDRAW, FALSE, 0);
    SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
    const PassTest test;
    forgetListedRecords();
    currentRecord = CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr);
    RecordBuffer record;
    WCHAR name[kFieldCapacity];
    WCHAR category[kFieldCapacity];
    CEOID id;
    while ((id = record.readNext(database)) != 0) {
        record.copyText(PROP_NAME, name);
        record.copyText(PROP_CATEGORY, category);
        if (test.passes(category)) {
            SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            listed.push_back(id);
        }
    }
    listedFilter = categoryFilter;
    listedValid = true;
    SendMessageW(listBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox, nullptr, TRUE);
}

void ObjectDatabase::readFilteredObject(int n, WCHAR *name, WCHAR *serialNumber, WCHAR *remark, WCHAR *category)
{
    name[0] = serialNumber[0] = remark[0] = category[0] = L'\0';
    const PassTest test;
    if (n < 0) {
        currentRecord = 0;
        return;
    }
    RecordBuffer record;
    if (test.passesAll()) {
        // Every record passes: position n in the list is position n in the database.
        currentRecord = CeSeekDatabase(database, CEDB_SEEK_BEGINNING, static_cast<DWORD>(n), nullptr);
        if (currentRecord == 0)
            return;
        currentRecord = record.readNext(database);
    } else if (const std::vector<CEOID> *passing = listedRecords()) {
        if (static_cast<size_t>(n) >= passing->size()) {
            currentRecord = 0;
            return;
        }
        currentRecord = CeSeekDatabase(database, CEDB_SEEK_CEOID, (*passing)[n], nullptr);
        if (currentRecord != 0)
            currentRecord = record.readNext(database);
        if (currentRecord == 0) {
            // The kept list names a record that is gone: it is dropped, and the scan decides.
            forgetListedRecords();
            readFilteredObject(n, name, serialNumber, remark, category);
            return;
        }
    } else {
        currentRecord = CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr);
        if (currentRecord == 0)
            return;
        WCHAR passCategory[kFieldCapacity];
        while ((currentRecord = record.readNext(database)) != 0) {
            record.copyText(PROP_CATEGORY, passCategory);
            if (test.passes(passCategory) && n-- == 0)
                break;
        }
    }
    if (currentRecord == 0)
        return;
    record.copyText(PROP_NAME, name);
    record.copyText(PROP_SERIAL_NUMBER, serialNumber);
    record.copyText(PROP_REMARK, remark);
    record.copyText(PROP_CATEGORY, category);
}

void ObjectDatabase::deleteFilteredObject(int n)
{
    WCHAR name[kFieldCapacity], serialNumber[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
    readFilteredObject(n, name, serialNumber, remark, category);
    if (currentRecord != 0) {
        forgetListedRecords();
        CeDeleteRecord(database, currentRecord);
        currentRecord = 0;
    }
}

int ObjectDatabase::indexOfCurrentObject()
{
    const PassTest test;
    if (currentRecord == 0 || CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr) == 0)
        return 0;
    if (test.passesAll()) {
        DWORD position = 0;
        if (CeSeekDatabase(database, CEDB_SEEK_CEOID, currentRecord, &position) == currentRecord)
            return static_cast<int>(position);
    }
    if (const std::vector<CEOID> *passing = listedRecords()) {
        const auto found = std::find(passing->begin(), passing->end(), currentRecord);
        if (found != passing->end())
            return static_cast<int>(found - passing->begin());
        forgetListedRecords();  // it misses the current record: the scan decides
    }
    CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr);
    RecordBuffer record;
    WCHAR category[kFieldCapacity];
    int counter = 0;
    CEOID id;
    while ((id = record.readNext(database)) != 0) {
        record.copyText(PROP_CATEGORY, category);
        if (!test.passes(category))
            continue;
        if (id == currentRecord)
            return counter;
        ++counter;
    }
    return counter;
}

int ObjectDatabase::objectCount()
{
    CEOIDINFO info = {};
    if (!CeOidGetInfo(databaseIdentifier, &info) || info.wObjType != OBJTYPE_DATABASE)
        return -1;
    return info.infDatabase.wNumRecords;
}
