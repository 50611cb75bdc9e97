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
        : all_(wcscmp(categoryFilter, kAllCategories) == 0), none_(wcscmp(categoryFilter, kNoCategory) == 0) {}
    bool PassesAll() const { return all_; }
    bool Passes(const WCHAR *category) const
    {
        if (all_)
            return true;
        if (none_)
            return category[0] == L'\0';
        return wcscmp(category, categoryFilter) == 0;
    }

private:
    bool all_;
    bool none_;
};

}  // namespace

ObjectDatabase::ObjectDatabase() : database_(INVALID_HANDLE_VALUE), databaseIdentifier_(0), currentRecord_(0) {}

ObjectDatabase::~ObjectDatabase()
{
    if (database_ != INVALID_HANDLE_VALUE)
        CeCloseDatabase(database_);
}

const std::vector<CEOID> *ObjectDatabase::ListedRecords() const
{
    return listedValid_ && listedFilter_ == categoryFilter ? &listed_ : nullptr;
}

void ObjectDatabase::ForgetListedRecords()
{
    listed_.clear();
    listedValid_ = false;
}

bool ObjectDatabase::openOrCreate(const WCHAR *databaseName)
{
    ForgetListedRecords();
    database_ = OpenOrCreateSortedDatabase(databaseName, PROP_NAME, &databaseIdentifier_);
    return database_ == INVALID_HANDLE_VALUE;
}

CEOID ObjectDatabase::WriteObject(CEOID record, const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                  const WCHAR *category)
{
    static const CEPROPID kObjectPropids[4] = {PROP_NAME, PROP_SERIAL_NUMBER, PROP_REMARK, PROP_CATEGORY};
    const WCHAR *const texts[4] = {name, serialNumber, remark, category};
    ForgetListedRecords();
    currentRecord_ = WriteTextRecord(database_, record, 4, kObjectPropids, texts);
    return currentRecord_;
}

CEOID ObjectDatabase::writeNewObject(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                     const WCHAR *category)
{
    return WriteObject(0, name, serialNumber, remark, category);
}

CEOID ObjectDatabase::overwriteCurrentObject(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                             const WCHAR *category)
{
    return WriteObject(currentRecord_, name, serialNumber, remark, category);
}

void ObjectDatabase::fillFilteredNameList(HWND listBox)
{
    // Repainting after every added name costs milliseconds each with thousands of objects.
    SendMessageW(listBox, WM_SETREDRAW, FALSE, 0);
    SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
    const PassTest test;
    ForgetListedRecords();
    currentRecord_ = CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, 0, nullptr);
    RecordBuffer record;
    WCHAR name[kFieldCapacity];
    WCHAR category[kFieldCapacity];
    CEOID id;
    while ((id = record.ReadNext(database_)) != 0) {
        record.CopyText(PROP_NAME, name);
        record.CopyText(PROP_CATEGORY, category);
        if (test.Passes(category)) {
            SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            listed_.push_back(id);
        }
    }
    listedFilter_ = categoryFilter;
    listedValid_ = true;
    SendMessageW(listBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox, nullptr, TRUE);
}

void ObjectDatabase::readFilteredObject(int n, WCHAR *name, WCHAR *serialNumber, WCHAR *remark, WCHAR *category)
{
    name[0] = serialNumber[0] = remark[0] = category[0] = L'\0';
    const PassTest test;
    if (n < 0) {
        currentRecord_ = 0;
        return;
    }
    RecordBuffer record;
    if (test.PassesAll()) {
        // Every record passes: position n in the list is position n in the database.
        currentRecord_ = CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, static_cast<DWORD>(n), nullptr);
        if (currentRecord_ == 0)
            return;
        currentRecord_ = record.ReadNext(database_);
    } else if (const std::vector<CEOID> *passing = ListedRecords()) {
        if (static_cast<size_t>(n) >= passing->size()) {
            currentRecord_ = 0;
            return;
        }
        currentRecord_ = CeSeekDatabase(database_, CEDB_SEEK_CEOID, (*passing)[n], nullptr);
        if (currentRecord_ != 0)
            currentRecord_ = record.ReadNext(database_);
        if (currentRecord_ == 0) {
            // The kept list names a record that is gone: it is dropped, and the scan decides.
            ForgetListedRecords();
            readFilteredObject(n, name, serialNumber, remark, category);
            return;
        }
    } else {
        currentRecord_ = CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, 0, nullptr);
        if (currentRecord_ == 0)
            return;
        WCHAR passCategory[kFieldCapacity];
        while ((currentRecord_ = record.ReadNext(database_)) != 0) {
            record.CopyText(PROP_CATEGORY, passCategory);
            if (test.Passes(passCategory) && n-- == 0)
                break;
        }
    }
    if (currentRecord_ == 0)
        return;
    record.CopyText(PROP_NAME, name);
    record.CopyText(PROP_SERIAL_NUMBER, serialNumber);
    record.CopyText(PROP_REMARK, remark);
    record.CopyText(PROP_CATEGORY, category);
}

void ObjectDatabase::deleteFilteredObject(int n)
{
    WCHAR name[kFieldCapacity], serialNumber[kFieldCapacity], remark[kFieldCapacity], category[kFieldCapacity];
    readFilteredObject(n, name, serialNumber, remark, category);
    if (currentRecord_ != 0) {
        ForgetListedRecords();
        CeDeleteRecord(database_, currentRecord_);
        currentRecord_ = 0;
    }
}

int ObjectDatabase::indexOfCurrentObject()
{
    const PassTest test;
    if (currentRecord_ == 0 || CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, 0, nullptr) == 0)
        return 0;
    if (test.PassesAll()) {
        DWORD position = 0;
        if (CeSeekDatabase(database_, CEDB_SEEK_CEOID, currentRecord_, &position) == currentRecord_)
            return static_cast<int>(position);
    }
    if (const std::vector<CEOID> *passing = ListedRecords()) {
        const auto found = std::find(passing->begin(), passing->end(), currentRecord_);
        if (found != passing->end())
            return static_cast<int>(found - passing->begin());
        ForgetListedRecords();  // it misses the current record: the scan decides
    }
    CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, 0, nullptr);
    RecordBuffer record;
    WCHAR category[kFieldCapacity];
    int counter = 0;
    CEOID id;
    while ((id = record.ReadNext(database_)) != 0) {
        record.CopyText(PROP_CATEGORY, category);
        if (!test.Passes(category))
            continue;
        if (id == currentRecord_)
            return counter;
        ++counter;
    }
    return counter;
}

int ObjectDatabase::objectCount()
{
    CEOIDINFO info = {};
    if (!CeOidGetInfo(databaseIdentifier_, &info) || info.wObjType != OBJTYPE_DATABASE)
        return -1;
    return info.infDatabase.wNumRecords;
}
