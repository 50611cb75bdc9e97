#include "objectstore/cursor.h"
#include <algorithm>
#include "objectstore/sort_key.h"
#include "objectstore/properties.h"

namespace {

// Position reached by a value seek, or the index size when there is none.
size_t ValueSeekPosition(OpenDatabase &open, const StoreModel &model, const Database &database, DWORD seekType,
                         const CEPROPVAL &value)
{
    const SortIndex &index = database.indexes[open.index];
    const size_t none = index.order.size();
    StoredProperty property;
    if (open.index == 0 || value.propid != index.propid || !ToStoredProperty(value, property)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return none;
    }
    const PropertyRef sought = RefOf(property);
    const std::string key = MakeSortKey(&sought, index.flags, database.locale);
    const size_t keyIndex = open.index - 1;
    const auto compare = [&](const Record *record) {
        return CompareSortKeys(SortKeyOf(database, *record, keyIndex), key, index.flags);
    };
    const std::vector<Record *> &order = index.order;
    const size_t equalFirst =
        std::partition_point(order.begin(), order.end(), [&](const Record *r) { return compare(r) < 0; }) - order.begin();
    const size_t equalEnd =
        std::partition_point(order.begin(), order.end(), [&](const Record *r) { return compare(r) <= 0; }) - order.begin();
    const bool descending = (index.flags & CEDB_SORT_DESCENDING) != 0;
    // The record just before the equal ones, unless it lacks the property.
    const auto before = [&]() {
        return equalFirst > 0 && !IsMissingKey(SortKeyOf(database, *order[equalFirst - 1], keyIndex)) ? equalFirst - 1 : none;
    };
    switch (seekType) {
    case CEDB_SEEK_VALUEFIRSTEQUAL:
        return equalFirst < equalEnd ? equalFirst : none;
    case CEDB_SEEK_VALUENEXTEQUAL: {
        const size_t current = CursorPosition(open, model, database);
        if (current >= none)
            return none;
        const size_t next = current + 1;
        return next < none && compare(order[next]) == 0 ? next : none;
    }
    case CEDB_SEEK_VALUESMALLER:
        return descending ? equalEnd : before();
    case CEDB_SEEK_VALUEGREATER:
        return descending ? before() : equalEnd;
    }
    return none;
}

}  // namespace

HANDLE HandleTable::Add(const OpenDatabase &open)
{
    last_ += 4;
    const HANDLE handle = reinterpret_cast<HANDLE>(last_);
    open_[handle] = open;
    return handle;
}

OpenDatabase *HandleTable::Find(HANDLE handle)
{
    auto found = open_.find(handle);
    if (found == open_.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

bool HandleTable::Remove(HANDLE handle)
{
    if (open_.erase(handle))
        return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

bool HandleTable::IsDatabaseOpen(CEOID database) const
{
    for (const auto &entry : open_)
        if (entry.second.database == database)
            return true;
    return false;
}

size_t CursorPosition(OpenDatabase &open, const StoreModel &model, const Database &database)
{
    const std::vector<Record *> &order = database.indexes[open.index].order;
    if (open.cursorRecord == 0)
        return order.size();
    if (open.cursorPosition < order.size() && order[open.cursorPosition]->id == open.cursorRecord)
        return open.cursorPosition;
    const Record *record = model.FindRecord(open.cursorRecord);
    if (record && record->database == database.id)
        open.cursorPosition = PositionOf(database, open.index, record);
    else
        open.cursorPosition = std::min(open.cursorPosition, order.size());
    open.cursorRecord = open.cursorPosition < order.size() ? order[open.cursorPosition]->id : 0;
    return open.cursorPosition;
}

void SetCursor(OpenDatabase &open, const Database &database, size_t position)
{
    const std::vector<Record *> &order = database.indexes[open.index].order;
    open.cursorPosition = std::min(position, order.size());
    open.cursorRecord = position < order.size() ? order[position]->id : 0;
}

size_t SeekPosition(OpenDatabase &open, const StoreModel &model, const Database &database, DWORD seekType,
                    DWORD_PTR dwValue)
{
    const size_t count = database.RecordCount();
    // Counts and identifiers are the low 32 bits; the value seeks pass a CEPROPVAL pointer.
    const DWORD value = static_cast<DWORD>(dwValue);
    const LONG signedValue = static_cast<LONG>(value);
    switch (seekType) {
    case CEDB_SEEK_BEGINNING:
        return value < count ? value : count;
    case CEDB_SEEK_CURRENT: {
        const size_t current = CursorPosition(open, model, database);
        const long long moved = static_cast<long long>(current) + signedValue;
        return moved >= 0 && moved < static_cast<long long>(count) ? static_cast<size_t>(moved) : count;
    }
    case CEDB_SEEK_END: {
        // Counts back from the last record; either sign of the value means "back".
        const unsigned long long back = signedValue < 0 ? -static_cast<long long>(signedValue) : signedValue;
        return back < count ? count - 1 - static_cast<size_t>(back) : count;
    }
    case CEDB_SEEK_CEOID: {
        const Record *record = model.FindRecord(value);
        return record && record->database == database.id ? PositionOf(database, open.index, record) : count;
    }
    case CEDB_SEEK_VALUEFIRSTEQUAL:
    case CEDB_SEEK_VALUENEXTEQUAL:
    case CEDB_SEEK_VALUESMALLER:
    case CEDB_SEEK_VALUEGREATER: {
        const CEPROPVAL *propval = reinterpret_cast<const CEPROPVAL *>(dwValue);
        return propval ? ValueSeekPosition(open, model, database, seekType, *propval) : count;
    }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return count;
}
