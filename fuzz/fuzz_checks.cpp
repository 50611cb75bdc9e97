#include "fuzz_checks.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>
#include "platform/store_log_format.h"
#include "platform/store_log_reader.h"
#include "shell/clipboard_format.h"
#include "object_csv.h"

namespace {

constexpr size_t kFieldCapacity = 256;

bool Fail(std::string &why, const std::string &text)
{
    why = text;
    return false;
}

// The payload that encoding the decoded entry produces.
std::string Reencode(const StoreEntry &entry)
{
    switch (entry.kind) {
    case StoreEntryKind::CreateDatabase:
        return EncodeCreateDatabasePayload(entry.database, entry.databaseType, entry.name, entry.sortOrders);
    case StoreEntryKind::WriteRecord:
        return EncodeWriteRecordPayload(entry.database, entry.record, entry.properties);
    case StoreEntryKind::DeleteRecord:
        return EncodeDeleteRecordPayload(entry.database, entry.record);
    case StoreEntryKind::DeleteDatabase:
        return EncodeDeleteDatabasePayload(entry.database);
    case StoreEntryKind::ReserveIds:
        return EncodeReserveIdsPayload(entry.nextId);
    }
    return std::string();
}

}  // namespace

bool CheckStoreLog(const uint8_t *data, size_t size, std::string &why)
{
    // An exact copy, so the sanitizer sees any read past the end.
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    const StoreScanResult scan = ScanStoreLog(bytes.get(), size);
    if (scan.status != StoreScanStatus::Valid) {
        if (scan.status == StoreScanStatus::Empty) {
            // Only a beginning of the header, then nothing but zeros, is a file never written.
            const std::string magic = EncodeStoreHeader();
            size_t header = 0;
            while (header < size && header < kStoreHeaderSize && bytes[header] == magic[header])
                ++header;
            for (size_t i = header; i < size; ++i)
                if (bytes[i] != 0)
                    return Fail(why, "a file with data counted as empty");
            if (header == kStoreHeaderSize)
                return Fail(why, "a file with a whole header counted as empty");
        }
        return true;
    }
    if (size < kStoreHeaderSize || scan.validLength > size || scan.validLength < kStoreHeaderSize)
        return Fail(why, "valid length outside the file");
    size_t expected = kStoreHeaderSize;
    for (const StoreScanEntry &scanned : scan.entries) {
        if (scanned.offset != expected || scanned.size < kStoreEntryHeaderSize + 1 || scanned.size > size - expected)
            return Fail(why, "entries not contiguous or outside the file");
        const std::string framed(bytes.get() + scanned.offset, scanned.size);
        if (EncodeStoreEntry(Reencode(scanned.entry)) != framed)
            return Fail(why, "an accepted entry is not what its decoded values encode to");
        expected += scanned.size;
    }
    if (expected != scan.validLength)
        return Fail(why, "valid length is not the end of the last entry");
    return true;
}

bool CheckStorePayload(const uint8_t *data, size_t size, std::string &why)
{
    std::unique_ptr<char[]> payload(new char[size ? size : 1]);
    if (size)
        std::memcpy(payload.get(), data, size);
    StoreEntry entry;
    if (!DecodeStorePayload(payload.get(), size, entry))
        return true;
    if (Reencode(entry) != std::string(payload.get(), size))
        return Fail(why, "an accepted payload is not what its decoded values encode to");
    for (const StoredProperty &property : entry.properties)
        if (!IsValidPropertyData(property.propid, property.data))
            return Fail(why, "an accepted record holds a property of the wrong size");
    if (entry.kind == StoreEntryKind::WriteRecord) {
        // What the open keeps in place must read as what the decoder unpacked.
        const std::vector<StoredProperty> packed = entry.packed.Unpack();
        const auto same = [](const StoredProperty &a, const StoredProperty &b) {
            return a.propid == b.propid && a.data == b.data;
        };
        if (!std::equal(packed.begin(), packed.end(), entry.properties.begin(), entry.properties.end(), same))
            return Fail(why, "a record's packed properties differ from its decoded ones");
    }
    return true;
}

bool CheckClipboardText(const uint8_t *data, size_t size, std::string &why)
{
    // The block as the clipboard hands it over: UTF-16 units, exactly as many as fit in it.
    const size_t units = size / 2;
    std::unique_ptr<wchar_t[]> text(new wchar_t[units ? units : 1]);
    for (size_t i = 0; i < units; ++i)
        text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const wchar_t *const end = text.get() + units;
    const wchar_t *position = text.get();
    for (int field = 0; field < 4; ++field) {
        // Separate blocks of exactly the field capacity, so an overrun is caught where it happens.
        std::unique_ptr<wchar_t[]> destination(new wchar_t[kFieldCapacity]);
        for (size_t i = 0; i < kFieldCapacity; ++i)
            destination[i] = L'#';
        const wchar_t *next = ParseClipboardField(destination.get(), position, end);
        if (next < position || next > end)
            return Fail(why, "the position left the block");
        size_t length = 0;
        while (length < kFieldCapacity && destination[length] != L'\0')
            ++length;
        if (length == kFieldCapacity)
            return Fail(why, "a field without terminator");
        for (size_t i = 0; i < length; ++i)
            if (destination[i] == L'\t' || destination[i] == L'\r' || destination[i] == L'\n')
                return Fail(why, "a separator inside a field");
        if (length > 0 && std::wmemcmp(destination.get(), position, length) != 0)
            return Fail(why, "a field is not the text it was read from");
        position = next;
    }
    return true;
}

bool CheckCsvImport(const uint8_t *data, size_t size, std::string &why)
{
    constexpr size_t kKept = 1000;
    const TableImport read = ReadObjectsCsv(std::string(reinterpret_cast<const char *>(data), size), kKept);
    if (read.problems.size() > kMaxReportedProblems || read.problems.size() > read.problemCount)
        return Fail(why, "more problems kept than allowed or counted");
    if (read.rows.size() > kKept || read.rows.size() > read.rowCount)
        return Fail(why, "more rows kept than allowed or counted");
    if (read.problemCount > 0)
        return true;
    for (const ObjectRow &row : read.rows) {
        if (row.name.empty() || row.serialNumber.empty())
            return Fail(why, "accepted a row without name or serial number");
        for (const std::u16string *field : {&row.name, &row.serialNumber, &row.remark, &row.category})
            if (field->size() > kMaxFieldLength || field->find_first_of(u"\r\n\t") != std::u16string::npos)
                return Fail(why, "accepted a field the program could not hold");
    }
    const TableImport back = ReadObjectsCsv(WriteObjectsCsv(read.rows), kKept);
    if (back.problemCount > 0 || back.rows.size() != read.rows.size())
        return Fail(why, "written rows do not read back");
    for (size_t i = 0; i < read.rows.size(); ++i) {
        const ObjectRow &a = read.rows[i], &b = back.rows[i];
        if (a.name != b.name || a.serialNumber != b.serialNumber || a.remark != b.remark || a.category != b.category)
            return Fail(why, "row " + std::to_string(i) + " changed on its way out and back");
    }
    return true;
}

int RunFuzzCheck(const char *target, FuzzCheck check, const uint8_t *data, size_t size)
{
    std::string why;
    if (!check(data, size, why)) {
        std::fprintf(stderr, "%s: %s\n", target, why.c_str());
        std::abort();
    }
    return 0;
}
