// The object store as the hardening tests expect it: every database and record with all
// property values, read completely from the real store, and a model kept beside the real calls
// that changes only when a call reports success.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "objectstore/object_store.h"
#include "store/property_ids.h"

using PropertyBytes = std::map<CEPROPID, std::string>;  // value bytes as the file keeps them

struct DatabaseState {
    std::wstring name;
    std::map<CEOID, PropertyBytes> records;
    bool operator==(const DatabaseState &other) const { return name == other.name && records == other.records; }
};

using StoreState = std::map<CEOID, DatabaseState>;

// Every database and record with identifiers below idLimit. False when the store refuses to
// open (the error in GetLastError).
bool ReadStoreState(StoreState &state, CEOID idLimit);
// A readable account of the difference, for failure messages.
std::string DescribeDifference(const StoreState &expected, const StoreState &actual);

constexpr CEPROPID kTextProp = PROP_NAME;
constexpr CEPROPID kNoteProp = PROP_SERIAL_NUMBER;
constexpr CEPROPID kNumberProp = 0x00030013;
constexpr CEPROPID kBlobProp = 0x00040041;

// Runs calls against the real store and keeps the model of what must be stored. Database
// handles stay open between calls, as the program keeps them; CloseAll drops them so the next
// call reads the file afresh.
class ModelledStore {
public:
    ~ModelledStore() { CloseAll(); }
    const StoreState &expected() const { return model_; }
    CEOID highestId() const { return highestId_; }

    bool CreateDatabase(const std::wstring &name);
    bool DeleteDatabase(const std::wstring &name);
    // A new record with a text of `size` characters, a number and a small blob.
    bool NewRecord(const std::wstring &database, unsigned seed, size_t size);
    // Replaces the text of the record at `pick` (modulo the record count) and sets the note.
    bool Overwrite(const std::wstring &database, unsigned pick, unsigned seed, size_t size);
    // Removes the note property of a record.
    bool DropNote(const std::wstring &database, unsigned pick);
    bool DeleteRecord(const std::wstring &database, unsigned pick);
    void CloseAll();
    bool HasRecords(const std::wstring &database) const;

private:
    CEOID IdOf(const std::wstring &name) const;
    HANDLE Handle(const std::wstring &name);
    CEOID Pick(CEOID database, unsigned pick) const;
    bool Write(const std::wstring &name, CEOID record, const std::vector<CEPROPVAL> &values);

    StoreState model_;
    std::map<std::wstring, HANDLE> handles_;
    CEOID highestId_ = 0;
};

// The text the tests store for a seed: recognisable, and as long as asked.
std::wstring ModelText(unsigned seed, size_t size);
