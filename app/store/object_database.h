// The user's objects: one record per object in the property database "Zifferbox", in
// case-insensitive name order. Filtered operations count only the records that pass categoryFilter.
#pragma once
#include "objectstore/object_store.h"
#include "store/property_ids.h"
#include <string>
#include <vector>

class ObjectDatabase {
public:
    ObjectDatabase();
    virtual ~ObjectDatabase();
    ObjectDatabase(const ObjectDatabase &) = delete;
    ObjectDatabase &operator=(const ObjectDatabase &) = delete;

    // True when no database handle could be obtained.
    bool openOrCreate(const WCHAR *databaseName);
    CEOID writeNewObject(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark, const WCHAR *category);
    // Writes over the current record; with no current record this makes a new one.
    CEOID overwriteCurrentObject(const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                                 const WCHAR *category);
    void fillFilteredNameList(HWND listBox);
    // The n-th passing record into four buffers of 256 characters; it becomes the current record.
    void readFilteredObject(int n, WCHAR *name, WCHAR *serialNumber, WCHAR *remark, WCHAR *category);
    void deleteFilteredObject(int n);
    int indexOfCurrentObject();
    // All records, passing or not; -1 when the store cannot tell.
    int objectCount();
    CEOID CurrentObject() const { return currentRecord_; }

private:
    CEOID WriteObject(CEOID record, const WCHAR *name, const WCHAR *serialNumber, const WCHAR *remark,
                      const WCHAR *category);

    // The passing records in name order as the last fill listed them, or nothing known.
    const std::vector<CEOID> *ListedRecords() const;
    void ForgetListedRecords();

    HANDLE database_;
    CEOID databaseIdentifier_;
    CEOID currentRecord_;
    // Kept from fillFilteredNameList so that filtered reads and positions need no scan; valid
    // only for the filter it was made under and until the next write or delete.
    std::vector<CEOID> listed_;
    std::wstring listedFilter_;
    bool listedValid_ = false;
};

extern ObjectDatabase objectDatabase;
