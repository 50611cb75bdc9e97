#include "platform/store_key_cache.h"
#include <algorithm>
#include <cstring>
#include "platform/little_endian.h"
#include "platform/sort_compare.h"
#include "platform/store_log_format.h"

namespace {

const char kMagic[8] = {'Z', 'B', 'K', 'E', 'Y', 'S', '0', '1'};

bool IsText(const StoredProperty *property)
{
    return property && TypeFromPropID(property->propid) == CEVT_LPWSTR;
}

// What the keys depend on besides the text: the locale, its sorting version, and the keys this
// system makes now for a few texts that tell case, accents, umlauts, sharp s and punctuation
// apart, so a changed implementation is noticed even where the version stays.
std::string LocaleTag()
{
    std::string tag;
    PutLittleEndian(tag, GetUserDefaultLCID(), 4);
    WCHAR localeName[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(localeName, LOCALE_NAME_MAX_LENGTH);
    NLSVERSIONINFOEX version = {};
    version.dwNLSVersionInfoSize = sizeof version;
    if (GetNLSVersionEx(COMPARE_STRING, localeName, &version)) {
        PutLittleEndian(tag, version.dwNLSVersion, 4);
        PutLittleEndian(tag, version.dwDefinedVersion, 4);
        PutLittleEndian(tag, version.dwEffectiveId, 4);
    }
    for (const wchar_t *probe : {L"Äpfel-straße Œuvre aB", L"éclair ÉCLAIR o'neil 10 9 ½", L"Zürich zurich Zu"}) {
        StoredProperty property;
        property.propid = 0x0001001F;
        property.data.assign(reinterpret_cast<const char *>(probe), std::wcslen(probe) * sizeof(wchar_t));
        for (DWORD flags : {DWORD(0), DWORD(CEDB_SORT_CASEINSENSITIVE)}) {
            const std::string key = MakeSortKey(&property, flags);
            PutLittleEndian(tag, key.size(), 4);
            tag += key;
        }
    }
    return tag;
}

// Reads a length-prefixed field: false when it would run past the end.
bool ReadField(const std::string &bytes, size_t &at, size_t end, size_t &offset, size_t &size)
{
    if (end - at < 4)
        return false;
    size = static_cast<size_t>(GetLittleEndian(bytes.data() + at, 4));
    at += 4;
    if (end - at < size)
        return false;
    offset = at;
    at += size;
    return true;
}

bool ReadNumber(const std::string &bytes, size_t &at, size_t end, uint32_t &value)
{
    if (end - at < 4)
        return false;
    value = static_cast<uint32_t>(GetLittleEndian(bytes.data() + at, 4));
    at += 4;
    return true;
}

void AppendField(std::string &out, const std::string &field)
{
    PutLittleEndian(out, field.size(), 4);
    out += field;
}

}  // namespace

void SortKeyCache::Load(const std::wstring &path)
{
    bytes_.clear();
    slots_.clear();
    missed_ = 0;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size = {};
    DWORD got = 0;
    const bool read = GetFileSizeEx(file, &size) && size.QuadPart > 16 && size.QuadPart < 0x40000000 &&
                      (bytes_.resize(static_cast<size_t>(size.QuadPart)),
                       ReadFile(file, &bytes_[0], static_cast<DWORD>(bytes_.size()), &got, nullptr)) &&
                      got == bytes_.size();
    CloseHandle(file);
    const size_t end = bytes_.size() - 4;
    const std::string tag = LocaleTag();
    size_t at = sizeof kMagic, tagOffset = 0, tagSize = 0;
    uint32_t count = 0;
    bool valid = read && std::memcmp(bytes_.data(), kMagic, sizeof kMagic) == 0 &&
                 StoreCrc32(bytes_.data(), end) == GetLittleEndian(bytes_.data() + end, 4) &&
                 ReadField(bytes_, at, end, tagOffset, tagSize) && tagSize == tag.size() &&
                 std::memcmp(bytes_.data() + tagOffset, tag.data(), tagSize) == 0 && ReadNumber(bytes_, at, end, count);
    if (valid)
        slots_.reserve(std::min<size_t>(count, end / 20));
    for (uint32_t i = 0; valid && i < count; ++i) {
        Slot slot = {};
        valid = ReadNumber(bytes_, at, end, slot.record) && ReadNumber(bytes_, at, end, slot.propid) &&
                ReadNumber(bytes_, at, end, slot.flags) && ReadField(bytes_, at, end, slot.text, slot.textSize) &&
                ReadField(bytes_, at, end, slot.key, slot.keySize) &&
                (slots_.empty() || slots_.back().record <= slot.record);
        slots_.push_back(slot);
    }
    if (!valid || at != end) {
        bytes_.clear();
        slots_.clear();
    }
}

std::string SortKeyCache::KeyFor(CEOID record, const StoredProperty *property, DWORD sortFlags)
{
    if (!IsText(property))
        return MakeSortKey(property, sortFlags);
    auto slot = std::lower_bound(slots_.begin(), slots_.end(), record,
                                 [](const Slot &s, CEOID id) { return s.record < id; });
    for (; slot != slots_.end() && slot->record == record; ++slot) {
        if (slot->propid == property->propid && slot->flags == sortFlags &&
            slot->textSize == property->data.size() &&
            std::memcmp(bytes_.data() + slot->text, property->data.data(), slot->textSize) == 0)
            return bytes_.substr(slot->key, slot->keySize);
    }
    ++missed_;
    return MakeSortKey(property, sortFlags);
}

void SortKeyCache::Save(const std::wstring &path, const StoreModel &model)
{
    std::vector<const Record *> records;
    records.reserve(model.records.size());
    for (const auto &entry : model.records)
        records.push_back(&entry.second);
    std::sort(records.begin(), records.end(), [](const Record *a, const Record *b) { return a->id < b->id; });
    std::string out(kMagic, sizeof kMagic);
    AppendField(out, LocaleTag());
    const size_t countAt = out.size();
    PutLittleEndian(out, 0, 4);
    uint32_t count = 0;
    for (const Record *record : records) {
        const Database *database = model.FindDatabase(record->database);
        for (size_t i = 0; database && i < database->sortOrders.size() && i < record->keys.size(); ++i) {
            const SORTORDERSPEC &order = database->sortOrders[i];
            const StoredProperty *property = FindStoredProperty(record->properties, order.propid);
            if (!IsText(property))
                continue;
            PutLittleEndian(out, record->id, 4);
            PutLittleEndian(out, order.propid, 4);
            PutLittleEndian(out, order.dwFlags, 4);
            AppendField(out, property->data);
            AppendField(out, record->keys[i]);
            ++count;
        }
    }
    for (size_t i = 0; i < 4; ++i)
        out[countAt + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
    PutLittleEndian(out, StoreCrc32(out.data(), out.size()), 4);

    const std::wstring newPath = path + L".new";
    HANDLE file = CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    const bool whole = WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
                       written == out.size();
    CloseHandle(file);
    if (!whole || !MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileW(newPath.c_str());
}

void ComputeKeysFrom(SortKeyCache &cache, const Database &database, Record &record)
{
    record.keys.resize(database.sortOrders.size());
    for (size_t i = 0; i < database.sortOrders.size(); ++i)
        record.keys[i] = cache.KeyFor(record.id, FindStoredProperty(record.properties, database.sortOrders[i].propid),
                                      database.sortOrders[i].dwFlags);
}
