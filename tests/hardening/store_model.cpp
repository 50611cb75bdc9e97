#include "hardening/store_model.h"
#include <algorithm>
#include <iterator>
#include <sstream>

namespace {

std::string BytesOf(const CEPROPVAL &value)
{
    switch (TypeFromPropID(value.propid)) {
    case CEVT_LPWSTR:
        return std::string(reinterpret_cast<const char *>(value.val.lpwstr), wcslen(value.val.lpwstr) * sizeof(WCHAR));
    case CEVT_BLOB:
        if (value.val.blob.dwCount == 0)
            return std::string();
        return std::string(reinterpret_cast<const char *>(value.val.blob.lpb), value.val.blob.dwCount);
    case CEVT_UI4:
        return std::string(reinterpret_cast<const char *>(&value.val.ulVal), 4);
    }
    return "<type " + std::to_string(TypeFromPropID(value.propid)) + ">";
}

bool ReadDatabase(CEOID id, DatabaseState &database)
{
    CEOID open = id;
    HANDLE handle = CeOpenDatabase(&open, nullptr, 0, CEDB_AUTOINCREMENT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    CeSeekDatabase(handle, CEDB_SEEK_BEGINNING, 0, nullptr);
    while (CEOID record = CeReadRecordProps(handle, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size)) {
        PropertyBytes &properties = database.records[record];
        const CEPROPVAL *values = reinterpret_cast<const CEPROPVAL *>(buffer);
        for (WORD i = 0; i < count; ++i)
            properties[values[i].propid] = BytesOf(values[i]);
    }
    if (buffer)
        LocalFree(buffer);
    CeCloseDatabase(handle);
    return true;
}

}  // namespace

bool ReadStoreState(StoreState &state, CEOID idLimit)
{
    state.clear();
    CEOIDINFO info;
    // The first call loads the file: a refusal shows here, as anything but "no such object".
    if (!CeOidGetInfo(1, &info) && GetLastError() != ERROR_INVALID_PARAMETER)
        return false;
    std::vector<CEOID> databases;
    std::map<CEOID, CEOID> recordParents;
    for (CEOID id = 1; id < idLimit; ++id) {
        if (!CeOidGetInfo(id, &info))
            continue;
        if (info.wObjType == OBJTYPE_DATABASE) {
            databases.push_back(id);
            state[id].name = info.infDatabase.szDbaseName;
        } else if (info.wObjType == OBJTYPE_RECORD) {
            recordParents[id] = info.infRecord.oidParent;
        }
    }
    for (CEOID id : databases)
        if (!ReadDatabase(id, state[id]))
            return false;
    // A record that no database lists would be a leftover; keep it visible in the comparison.
    for (const auto &record : recordParents)
        if (!state.count(record.second) || !state[record.second].records.count(record.first))
            state[record.second].records[record.first][0xFFFFFFFFu] = "unlisted";
    return true;
}

std::string DescribeDifference(const StoreState &expected, const StoreState &actual)
{
    std::ostringstream out;
    for (const auto &database : expected) {
        auto found = actual.find(database.first);
        if (found == actual.end()) {
            out << "database " << database.first << " missing; ";
            continue;
        }
        for (const auto &record : database.second.records) {
            auto there = found->second.records.find(record.first);
            if (there == found->second.records.end())
                out << "record " << record.first << " missing; ";
            else if (there->second != record.second)
                out << "record " << record.first << " differs; ";
        }
        for (const auto &record : found->second.records)
            if (!database.second.records.count(record.first))
                out << "record " << record.first << " unexpected; ";
    }
    for (const auto &database : actual)
        if (!expected.count(database.first))
            out << "database " << database.first << " unexpected; ";
    return out.str();
}

std::wstring ModelText(unsigned seed, size_t size)
{
    std::wstring text = L"T" + std::to_wstring(seed) + L" ";
    text.resize(std::max(size, text.size()), static_cast<wchar_t>(L'a' + seed % 26));
    return text;
}

CEOID ModelledStore::IdOf(const std::wstring &name) const
{
    for (const auto &database : model_)
        if (database.second.name == name)
            return database.first;
    return 0;
}

bool ModelledStore::HasRecords(const std::wstring &name) const
{
    const CEOID id = IdOf(name);
    return id && !model_.at(id).records.empty();
}

HANDLE ModelledStore::Handle(const std::wstring &name)
{
    auto found = handles_.find(name);
    if (found != handles_.end())
        return found->second;
    CEOID id = 0;
    HANDLE handle = CeOpenDatabase(&id, const_cast<LPWSTR>(name.c_str()), 0, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        handles_[name] = handle;
    return handle;
}

CEOID ModelledStore::Pick(CEOID database, unsigned pick) const
{
    const auto &records = model_.at(database).records;
    if (records.empty())
        return 0;
    auto at = records.begin();
    std::advance(at, pick % records.size());
    return at->first;
}

void ModelledStore::CloseAll()
{
    for (const auto &handle : handles_)
        CeCloseDatabase(handle.second);
    handles_.clear();
}

bool ModelledStore::CreateDatabase(const std::wstring &name)
{
    SORTORDERSPEC orders[2] = {{kNumberProp, CEDB_SORT_DESCENDING}, {kNoteProp, CEDB_SORT_CASEINSENSITIVE}};
    const CEOID id = CeCreateDatabase(const_cast<LPWSTR>(name.c_str()), 0x4711, 2, orders);
    if (id == 0)
        return false;
    model_[id].name = name;
    highestId_ = std::max(highestId_, id);
    return true;
}

bool ModelledStore::DeleteDatabase(const std::wstring &name)
{
    const CEOID id = IdOf(name);
    auto open = handles_.find(name);
    if (open != handles_.end()) {
        CeCloseDatabase(open->second);
        handles_.erase(open);
    }
    if (!CeDeleteDatabase(id))
        return false;
    model_.erase(id);
    return true;
}

bool ModelledStore::Write(const std::wstring &name, CEOID record, const std::vector<CEPROPVAL> &values)
{
    const CEOID database = IdOf(name);
    HANDLE handle = database ? Handle(name) : INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const CEOID written = CeWriteRecordProps(handle, record, static_cast<WORD>(values.size()),
                                             const_cast<CEPROPVAL *>(values.data()));
    if (written == 0)
        return false;
    PropertyBytes &properties = model_[database].records[written];
    for (const CEPROPVAL &value : values) {
        if (value.wFlags & CEDB_PROPDELETE)
            properties.erase(value.propid);
        else
            properties[value.propid] = BytesOf(value);
    }
    highestId_ = std::max(highestId_, written);
    return true;
}

bool ModelledStore::NewRecord(const std::wstring &database, unsigned seed, size_t size)
{
    const std::wstring text = ModelText(seed, size);
    BYTE blob[3] = {static_cast<BYTE>(seed), 0, static_cast<BYTE>(seed >> 8)};
    std::vector<CEPROPVAL> values(3);
    values[0].propid = kTextProp;
    values[0].val.lpwstr = const_cast<LPWSTR>(text.c_str());
    values[1].propid = kNumberProp;
    values[1].val.ulVal = seed * 7919u;
    values[2].propid = kBlobProp;
    values[2].val.blob.dwCount = seed % 3 == 0 ? 0 : 3;
    values[2].val.blob.lpb = blob;
    return Write(database, 0, values);
}

bool ModelledStore::Overwrite(const std::wstring &database, unsigned pick, unsigned seed, size_t size)
{
    const CEOID id = IdOf(database);
    const CEOID record = id ? Pick(id, pick) : 0;
    if (record == 0)
        return false;
    const std::wstring text = ModelText(seed, size);
    const std::wstring note = L"Notiz " + std::to_wstring(seed);
    std::vector<CEPROPVAL> values(2);
    values[0].propid = kTextProp;
    values[0].val.lpwstr = const_cast<LPWSTR>(text.c_str());
    values[1].propid = kNoteProp;
    values[1].val.lpwstr = const_cast<LPWSTR>(note.c_str());
    return Write(database, record, values);
}

bool ModelledStore::DropNote(const std::wstring &database, unsigned pick)
{
    const CEOID id = IdOf(database);
    const CEOID record = id ? Pick(id, pick) : 0;
    if (record == 0)
        return false;
    std::vector<CEPROPVAL> values(1);
    values[0].propid = kNoteProp;
    values[0].wFlags = CEDB_PROPDELETE;
    return Write(database, record, values);
}

bool ModelledStore::DeleteRecord(const std::wstring &name, unsigned pick)
{
    const CEOID database = IdOf(name);
    const CEOID record = database ? Pick(database, pick) : 0;
    HANDLE handle = record ? Handle(name) : INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE || !CeDeleteRecord(handle, record))
        return false;
    model_[database].records.erase(record);
    return true;
}
