#include "app_support/store_test_support.h"
#include <algorithm>
#include <cstring>
#include "objectstore/little_endian.h"
#include "objectstore/store.h"
#include "objectstore/log_format.h"
#include "support/test_env.h"
#include "support/test_files.h"

CEOID CreateTextDatabase(const wchar_t *name, CEPROPID sortProp, DWORD sortFlags)
{
    SORTORDERSPEC order = {sortProp, sortFlags};
    return CeCreateDatabase(const_cast<LPWSTR>(name), 0, 1, &order);
}

HANDLE OpenByName(const wchar_t *name, CEPROPID sortProp, CEOID *id)
{
    CEOID found = 0;
    HANDLE handle = CeOpenDatabase(&found, const_cast<LPWSTR>(name), sortProp, CEDB_AUTOINCREMENT, nullptr);
    if (id)
        *id = found;
    return handle;
}

CEOID WriteTexts(HANDLE database, CEOID record, const TextProps &props)
{
    std::vector<CEPROPVAL> values(props.size());
    for (size_t i = 0; i < props.size(); ++i) {
        values[i] = CEPROPVAL();
        values[i].propid = props[i].first;
        values[i].val.lpwstr = const_cast<LPWSTR>(props[i].second.c_str());
    }
    return CeWriteRecordProps(database, record, static_cast<WORD>(values.size()), values.data());
}

static std::wstring TextOf(const BYTE *buffer, WORD count, CEPROPID prop)
{
    const CEPROPVAL *values = reinterpret_cast<const CEPROPVAL *>(buffer);
    for (WORD i = 0; i < count; ++i)
        if (values[i].propid == prop && !(values[i].wFlags & CEDB_PROPNOTFOUND))
            return values[i].val.lpwstr;
    return L"<none>";
}

std::vector<std::wstring> ReadAllTexts(HANDLE database, CEPROPID prop)
{
    std::vector<std::wstring> texts;
    if (CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr) == 0)
        return texts;
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    while (CeReadRecordProps(database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size) != 0)
        texts.push_back(TextOf(buffer, count, prop));
    if (buffer)
        LocalFree(buffer);
    return texts;
}

std::vector<CEOID> ReadAllIds(HANDLE database)
{
    std::vector<CEOID> ids;
    if (CeSeekDatabase(database, CEDB_SEEK_BEGINNING, 0, nullptr) == 0)
        return ids;
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    while (CEOID id = CeReadRecordProps(database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size))
        ids.push_back(id);
    if (buffer)
        LocalFree(buffer);
    return ids;
}

std::wstring ReadText(HANDLE database, CEPROPID prop, CEOID *record)
{
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    const CEOID id = CeReadRecordProps(database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size);
    if (record)
        *record = id;
    std::wstring text = id ? TextOf(buffer, count, prop) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    return text;
}

std::wstring KillTestText(unsigned long n)
{
    return L"R" + std::to_wstring(n) + L" " + std::wstring(n * 37 % 900, L'x');
}

HANDLE OpenFreshTextDatabase(const wchar_t *tag, const wchar_t *name)
{
    UseFreshStoreFile(tag);
    CreateTextDatabase(name);
    return OpenByName(name);
}

namespace {

// The 64-bit fingerprint earlier versions chained over a store file's header and entries.
uint64_t KeptOrderDigest(uint64_t digest, const char *bytes, size_t size)
{
    const auto mix = [&](uint64_t word) {
        digest = (digest ^ word) * 0x9E3779B97F4A7C15ull;
        digest ^= digest >> 29;
    };
    mix(size);
    size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        mix(word);
    }
    if (at < size)
        mix(GetLittleEndian(bytes + at, size - at));
    return digest;
}

// The locale's name and the keys of probe texts, as those versions fingerprinted the collation.
uint64_t KeptOrderCollation()
{
    WCHAR locale[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    uint64_t fingerprint = KeptOrderDigest(0, reinterpret_cast<const char *>(locale), lstrlenW(locale) * sizeof(WCHAR));
    const WCHAR probe[] = L"a A \x00E4 \x00C4 ae \x00DF ss \x00F6 \x00D6 oe \x00E9 e- -e 'x x 1 10 9 z Z _ . \x0152 \x0153";
    for (DWORD flags : {DWORD(0), DWORD(NORM_IGNORECASE)}) {
        BYTE key[512];
        key[0] = 1;  // present
        const int length = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | flags, probe, -1,
                                        reinterpret_cast<LPWSTR>(key + 1), sizeof key - 1);
        fingerprint = KeptOrderDigest(fingerprint, reinterpret_cast<const char *>(key), length + 1);
    }
    return fingerprint;
}

}  // namespace

bool WriteWrongKeptOrder(const std::wstring &storePath, bool reversed)
{
    const std::string file = ReadWholeFile(storePath);
    uint64_t digest = KeptOrderDigest(0, file.data(), std::min(file.size(), kStoreHeaderSize));
    for (size_t at = kStoreHeaderSize; file.size() - at >= kStoreEntryHeaderSize;) {
        const size_t entry = std::min<size_t>(file.size() - at, kStoreEntryHeaderSize + GetLittleEndian(&file[at], 4));
        digest = KeptOrderDigest(digest, &file[at], entry);
        at += entry;
    }
    std::string bytes("ZBORDER\x1A", 8);
    PutLittleEndian(bytes, digest, 8);
    PutLittleEndian(bytes, KeptOrderCollation(), 8);
    std::vector<std::pair<CEOID, CEOIDINFO>> databases;
    for (const wchar_t *name : {L"Zifferbox", L"Zifferbox-Kategorien"}) {
        CEOID id = 0;
        DatabaseHandle database(OpenByName(name, 0, &id));
        CEOIDINFO info = {};
        if (!database.valid() || !CeOidGetInfo(id, &info))
            return false;
        databases.emplace_back(id, info);
    }
    std::sort(databases.begin(), databases.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    PutLittleEndian(bytes, databases.size(), 4);
    for (const auto &entry : databases) {
        const CEDBASEINFO &info = entry.second.infDatabase;
        PutLittleEndian(bytes, entry.first, 4);
        PutLittleEndian(bytes, info.wNumRecords, 4);
        PutLittleEndian(bytes, info.wNumSortOrder, 4);
        for (int i = 0; i < info.wNumSortOrder; ++i) {
            PutLittleEndian(bytes, info.rgSortSpecs[i].propid, 4);
            PutLittleEndian(bytes, info.rgSortSpecs[i].dwFlags, 4);
        }
        CEOID id = entry.first;
        DatabaseHandle byId(CeOpenDatabase(&id, nullptr, 0, CEDB_AUTOINCREMENT, nullptr));
        const std::vector<CEOID> created = ReadAllIds(byId.get());
        for (int i = 0; i < info.wNumSortOrder; ++i) {
            DatabaseHandle sorted(CeOpenDatabase(&id, nullptr, info.rgSortSpecs[i].propid, CEDB_AUTOINCREMENT, nullptr));
            std::vector<CEOID> order = ReadAllIds(sorted.get());
            if (reversed)
                std::reverse(order.begin(), order.end());
            else if (order.size() > 2)
                std::swap(order[order.size() / 2], order[order.size() / 2 + 1]);
            for (CEOID record : order)
                PutLittleEndian(bytes, std::find(created.begin(), created.end(), record) - created.begin(), 4);
        }
    }
    PutLittleEndian(bytes, StoreCrc32(bytes.data(), bytes.size()), 4);
    return WriteWholeFile(StaleOrderPath(storePath), bytes);
}
