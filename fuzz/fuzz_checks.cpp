#include "fuzz_checks.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>
#include "objectstore/log_format.h"
#include "objectstore/log_reader.h"
#include "shell/clipboard_format.h"
#include "object_csv.h"
#include "object_xml.h"
#include "xml_reader.h"

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

constexpr size_t kKeptRows = 1000;

// What every table file reader must give: no more problems, listed values or rows than it
// keeps; an accepted file holds only valid objects, and writing them and reading them back
// gives exactly the same objects, with changesAfter values listed.
bool CheckTableImport(const TableImport &read, std::string (*write)(const std::vector<ObjectRow> &),
                      TableImport (*reread)(const std::string &, size_t), size_t changesAfter, std::string &why)
{
    if (read.problems.size() > kMaxReportedProblems || read.problems.size() > read.problemCount)
        return Fail(why, "more problems kept than allowed or counted");
    if (read.changes.size() > kMaxReportedProblems || read.changes.size() > read.changeCount)
        return Fail(why, "more changes kept than allowed or counted");
    if (read.rows.size() > kKeptRows || read.rows.size() > read.rowCount)
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
    const TableImport back = reread(write(read.rows), kKeptRows);
    if (back.problemCount > 0 || back.rows.size() != read.rows.size())
        return Fail(why, "written rows do not read back");
    if (back.changeCount != changesAfter)
        return Fail(why, "written rows list other values as rewritten by a spreadsheet");
    for (size_t i = 0; i < read.rows.size(); ++i) {
        const ObjectRow &a = read.rows[i], &b = back.rows[i];
        if (a.name != b.name || a.serialNumber != b.serialNumber || a.remark != b.remark || a.category != b.category)
            return Fail(why, "row " + std::to_string(i) + " changed on its way out and back");
    }
    return true;
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
    const TableImport read = ReadObjectsCsv(std::string(reinterpret_cast<const char *>(data), size), kKeptRows);
    // Written again, listed values stay listed: CSV keeps what the spreadsheet saved.
    return CheckTableImport(read, WriteObjectsCsv, ReadObjectsCsv, read.changeCount, why);
}

bool CheckXmlImport(const uint8_t *data, size_t size, std::string &why)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    XmlReader xml(bytes);
    size_t open = 0;
    XmlEvent event = xml.Next();
    for (; event != XmlEvent::End && event != XmlEvent::Error; event = xml.Next()) {
        if (xml.Offset() >= size)
            return Fail(why, "an event outside the input");
        if (event == XmlEvent::StartElement && ++open > kMaxXmlDepth)
            return Fail(why, "elements deeper than the limit");
        if (xml.Depth() != open)
            return Fail(why, "the depth is not the number of open elements");
        if (event == XmlEvent::EndElement)
            --open;
        if (xml.Text().size() > kMaxXmlText)
            return Fail(why, "a text longer than the limit");
        for (const XmlAttribute &attribute : xml.Attributes())
            if (attribute.value.size() > kMaxXmlText)
                return Fail(why, "an attribute longer than the limit");
    }
    if (event == XmlEvent::Error && (xml.Problem().empty() || xml.Offset() > size))
        return Fail(why, "an error without reason or outside the input");
    if (event == XmlEvent::End && open != 0)
        return Fail(why, "the end with elements open");
    const TableImport read = ReadObjectsXml(bytes, kKeptRows);
    if (read.problemCount == 0 && FirstRowXmlCannotHold(read.rows))
        return Fail(why, "accepted a value no XML file can hold");
    // Written by export, every cell is text: nothing may be listed.
    return CheckTableImport(read, WriteObjectsXml, ReadObjectsXml, 0, why);
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
