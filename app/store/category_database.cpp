#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/property_ids.h"
#include "store/record_buffer.h"
#include "store/sorted_database.h"
#include <cwchar>

CategoryDatabase::CategoryDatabase() : database_(INVALID_HANDLE_VALUE), currentRecord_(0) {}

CategoryDatabase::~CategoryDatabase()
{
    if (database_ != INVALID_HANDLE_VALUE)
        CeCloseDatabase(database_);
}

bool CategoryDatabase::openOrCreate(const WCHAR *databaseName)
{
    // The database's own identifier is not kept.
    CEOID identifier = 0;
    database_ = OpenOrCreateSortedDatabase(databaseName, PROP_CATEGORY, &identifier);
    return database_ == INVALID_HANDLE_VALUE;
}

CEOID CategoryDatabase::addCategory(const WCHAR *name)
{
    const CEPROPID propid = PROP_CATEGORY;
    currentRecord_ = WriteTextRecord(database_, 0, 1, &propid, &name);
    return currentRecord_;
}

void CategoryDatabase::fillCategoryList(HWND window, UINT resetMessage, UINT addMessage)
{
    SendMessageW(window, resetMessage, 0, 0);
    currentRecord_ = CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, 0, nullptr);
    RecordBuffer record;
    WCHAR name[kFieldCapacity];
    while (record.ReadNext(database_) != 0) {
        // A record without a name (foreign or damaged data) is no category to offer.
        if (record.CopyText(PROP_CATEGORY, name))
            SendMessageW(window, addMessage, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageW(window, addMessage, 0, reinterpret_cast<LPARAM>(kAllCategories));
    SendMessageW(window, addMessage, 0, reinterpret_cast<LPARAM>(kNoCategory));
}

bool CategoryDatabase::deleteCategoryAt(int n)
{
    if (n < 0)
        return false;
    const CEOID record = CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, static_cast<DWORD>(n), nullptr);
    if (record == 0)
        return false;
    currentRecord_ = 0;
    return CeDeleteRecord(database_, record) != FALSE;
}

CEOID CategoryDatabase::findCategory(const WCHAR *name)
{
    CEPROPVAL value = {};
    value.propid = PROP_CATEGORY;
    value.val.lpwstr = const_cast<LPWSTR>(name);
    currentRecord_ = CeSeekDatabase(database_, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&value), nullptr);
    return currentRecord_;
}

int CategoryDatabase::PositionOfCategory(const WCHAR *name)
{
    if (CeSeekDatabase(database_, CEDB_SEEK_BEGINNING, 0, nullptr) == 0)
        return -1;
    RecordBuffer record;
    WCHAR stored[kFieldCapacity];
    for (int position = 0; record.ReadNext(database_) != 0; ++position) {
        record.CopyText(PROP_CATEGORY, stored);
        if (wcscmp(stored, name) == 0)
            return position;
    }
    return -1;
}
