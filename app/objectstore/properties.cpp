#include "objectstore/properties.h"
#include <algorithm>
#include <cstring>
#include <cwchar>
#include "objectstore/little_endian.h"

namespace {

size_t AlignUp(size_t size) { return (size + 7) & ~size_t(7); }

// Bytes a value needs after the CEPROPVAL array.
size_t ExtraBytes(const PropertyRef &property)
{
    if (!property.data)
        return 0;
    switch (TypeFromPropID(property.propid)) {
    case CEVT_LPWSTR:
        return AlignUp(property.size + sizeof(WCHAR));
    case CEVT_BLOB:
        return AlignUp(property.size);
    }
    return 0;
}

// Fills one CEPROPVAL; text and blobs go to *extra, which moves on.
void FillValue(CEPROPVAL &value, CEPROPID propid, const PropertyRef &property, BYTE *&extra)
{
    std::memset(&value, 0, sizeof value);
    value.propid = propid;
    if (!property.data) {
        value.wFlags = CEDB_PROPNOTFOUND;
        return;
    }
    const char *data = property.data;
    const size_t size = property.size;
    const uint64_t number = TypeFromPropID(propid) == CEVT_LPWSTR || TypeFromPropID(propid) == CEVT_BLOB
                                ? 0 : GetLittleEndian(data, size);
    switch (TypeFromPropID(propid)) {
    case CEVT_I2: value.val.iVal = static_cast<short>(number); break;
    case CEVT_UI2: value.val.uiVal = static_cast<USHORT>(number); break;
    case CEVT_I4: value.val.lVal = static_cast<long>(static_cast<ULONG>(number)); break;
    case CEVT_UI4: value.val.ulVal = static_cast<ULONG>(number); break;
    case CEVT_BOOL: value.val.boolVal = static_cast<BOOL>(number); break;
    case CEVT_R8: std::memcpy(&value.val.dblVal, &number, sizeof number); break;
    case CEVT_FILETIME:
        value.val.filetime.dwLowDateTime = static_cast<DWORD>(number);
        value.val.filetime.dwHighDateTime = static_cast<DWORD>(number >> 32);
        break;
    case CEVT_LPWSTR:
        value.val.lpwstr = reinterpret_cast<LPWSTR>(extra);
        std::memcpy(extra, data, size);
        extra[size] = 0;
        extra[size + 1] = 0;
        extra += ExtraBytes(property);
        break;
    case CEVT_BLOB:
        value.val.blob.dwCount = static_cast<DWORD>(size);
        value.val.blob.lpb = size == 0 ? nullptr : extra;
        if (size != 0)
            std::memcpy(extra, data, size);
        extra += ExtraBytes(property);
        break;
    }
}

}  // namespace

bool ToStoredProperty(const CEPROPVAL &value, StoredProperty &property)
{
    property.propid = value.propid;
    property.data.clear();
    switch (TypeFromPropID(value.propid)) {
    case CEVT_I2:
        PutLittleEndian(property.data, static_cast<USHORT>(value.val.iVal), 2);
        return true;
    case CEVT_UI2:
        PutLittleEndian(property.data, value.val.uiVal, 2);
        return true;
    case CEVT_I4:
        PutLittleEndian(property.data, static_cast<ULONG>(value.val.lVal), 4);
        return true;
    case CEVT_UI4:
        PutLittleEndian(property.data, value.val.ulVal, 4);
        return true;
    case CEVT_BOOL:
        PutLittleEndian(property.data, static_cast<ULONG>(value.val.boolVal), 4);
        return true;
    case CEVT_R8: {
        uint64_t bits;
        std::memcpy(&bits, &value.val.dblVal, sizeof bits);
        PutLittleEndian(property.data, bits, 8);
        return true;
    }
    case CEVT_FILETIME:
        PutLittleEndian(property.data, value.val.filetime.dwLowDateTime, 4);
        PutLittleEndian(property.data, value.val.filetime.dwHighDateTime, 4);
        return true;
    case CEVT_LPWSTR:
        if (!value.val.lpwstr)
            return false;
        property.data.assign(reinterpret_cast<const char *>(value.val.lpwstr), wcslen(value.val.lpwstr) * sizeof(WCHAR));
        return true;
    case CEVT_BLOB:
        if (!value.val.blob.lpb && value.val.blob.dwCount)
            return false;
        property.data.assign(reinterpret_cast<const char *>(value.val.blob.lpb), value.val.blob.dwCount);
        return true;
    }
    return false;
}

bool MergeProperties(std::vector<StoredProperty> &properties, const CEPROPVAL *values, WORD count)
{
    for (WORD i = 0; i < count; ++i) {
        const CEPROPVAL &value = values[i];
        auto same = std::find_if(properties.begin(), properties.end(),
                                 [&](const StoredProperty &p) { return p.propid == value.propid; });
        if (value.wFlags & CEDB_PROPDELETE) {
            if (same != properties.end())
                properties.erase(same);
            continue;
        }
        StoredProperty property;
        if (!ToStoredProperty(value, property))
            return false;
        if (same != properties.end())
            same->data = std::move(property.data);
        else
            properties.push_back(std::move(property));
    }
    return true;
}

PropertySelection SelectProperties(const PackedProperties &properties, const CEPROPID *propids, WORD count)
{
    PropertySelection selection;
    if (propids) {
        selection.resize(count);
        for (WORD i = 0; i < count; ++i) {
            selection[i].first = propids[i];
            properties.Find(propids[i], selection[i].second);
        }
    } else {
        properties.ForEach([&](const PropertyRef &property) { selection.emplace_back(property.propid, property); });
    }
    return selection;
}

unsigned long long ValueBufferSize(const PropertySelection &selection)
{
    unsigned long long size = AlignUp(selection.size() * sizeof(CEPROPVAL));
    for (const auto &value : selection)
        size += ExtraBytes(value.second);
    return size;
}

void FillValueBuffer(const PropertySelection &selection, BYTE *buffer)
{
    CEPROPVAL *values = reinterpret_cast<CEPROPVAL *>(buffer);
    BYTE *extra = buffer + AlignUp(selection.size() * sizeof(CEPROPVAL));
    for (size_t i = 0; i < selection.size(); ++i)
        FillValue(values[i], selection[i].first, selection[i].second, extra);
}
