// Small helpers of the object store tests: text records in and out, an owned database handle.
#pragma once
#include <windows.h>
#include <string>
#include <utility>
#include <vector>
#include "objectstore/object_store.h"
#include "store/property_ids.h"

// The store tests write records shaped like the program's objects.
constexpr CEPROPID kNameProp = PROP_NAME, kSerialProp = PROP_SERIAL_NUMBER, kRemarkProp = PROP_REMARK,
                   kCategoryProp = PROP_CATEGORY;

// Closes its database handle when it goes.
class DatabaseHandle {
public:
    explicit DatabaseHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~DatabaseHandle() { Close(); }
    DatabaseHandle(const DatabaseHandle &) = delete;
    DatabaseHandle &operator=(const DatabaseHandle &) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CeCloseDatabase(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// Creates a database sorted by one text property.
CEOID CreateTextDatabase(const wchar_t *name, CEPROPID sortProp = kNameProp, DWORD sortFlags = CEDB_SORT_CASEINSENSITIVE);
HANDLE OpenByName(const wchar_t *name, CEPROPID sortProp = kNameProp, CEOID *id = nullptr);
// A fresh store file (see UseFreshStoreFile) holding one text database, opened by its name.
HANDLE OpenFreshTextDatabase(const wchar_t *tag, const wchar_t *name);

using TextProps = std::vector<std::pair<CEPROPID, std::wstring>>;
CEOID WriteTexts(HANDLE database, CEOID record, const TextProps &props);

// One text of every record from the beginning, in the handle's order ("<none>" when lacking).
std::vector<std::wstring> ReadAllTexts(HANDLE database, CEPROPID prop = kNameProp);
// All records from the beginning as identifiers.
std::vector<CEOID> ReadAllIds(HANDLE database);
// One text of the record at the cursor (not advancing when the handle does not), "" when none.
std::wstring ReadText(HANDLE database, CEPROPID prop, CEOID *record = nullptr);

// The text the killed writer stores for its n-th call; long enough that compaction runs often.
std::wstring KillTestText(unsigned long n);

// Writes "<store>.order" as earlier versions kept it beside a store of 1,024 records or more: the
// sorted order of every database, stamped with the file's digest and the collation's fingerprint
// so that those versions took it for the file as it is now, but reversed, or with one
// neighbouring pair swapped. The store must be closed. False when it cannot be written.
bool WriteWrongKeptOrder(const std::wstring &storePath, bool reversed);
