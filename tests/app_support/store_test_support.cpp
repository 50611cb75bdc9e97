#include "app_support/store_test_support.h"
#include "support/test_env.h"

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
