#include "fuzz_checks.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <vector>
#include "objectstore/log_format.h"
#include "objectstore/log_reader.h"
#include "objectstore/replay.h"
#include "objectstore/sort_key.h"
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

// What every model the replay leaves must be: each record in its database, each database's
// indexes holding exactly its records once each, creation order by identifier and every sorted
// index in the order of its keys; the byte counts and identifiers agreeing with the records.
bool CheckModel(const StoreModel &model, std::string &why)
{
    uint64_t highest = 0;
    std::map<CEOID, std::vector<const Record *>> byDatabase;
    for (const auto &entry : model.records) {
        const Record &record = entry.second;
        if (record.id != entry.first || !model.FindDatabase(record.database))
            return Fail(why, "a record outside any database");
        byDatabase[record.database].push_back(&record);
        highest = std::max<uint64_t>(highest, record.id);
    }
    for (const auto &entry : model.databases) {
        const Database &database = entry.second;
        highest = std::max<uint64_t>(highest, database.id);
        std::vector<const Record *> records = byDatabase[database.id];
        std::sort(records.begin(), records.end(), [](const Record *a, const Record *b) { return a->id < b->id; });
        if (database.indexes.size() != database.sortOrders.size() + 1)
            return Fail(why, "a database without an index per sort order");
        const std::vector<Record *> &byId = database.indexes[0].order;
        if (!std::equal(byId.begin(), byId.end(), records.begin(), records.end()))
            return Fail(why, "creation order is not the database's records by identifier");
        for (size_t i = 1; i < database.indexes.size(); ++i) {
            std::vector<const Record *> held(database.indexes[i].order.begin(), database.indexes[i].order.end());
            for (size_t n = 1; n < held.size(); ++n) {
                const int order = CompareSortKeys(SortKeyOf(database, *held[n - 1], i - 1),
                                                  SortKeyOf(database, *held[n], i - 1), database.indexes[i].flags);
                if (order > 0 || (order == 0 && held[n - 1]->id >= held[n]->id))
                    return Fail(why, "a sorted index out of order");
            }
            std::sort(held.begin(), held.end(), [](const Record *a, const Record *b) { return a->id < b->id; });
            if (held != records)
                return Fail(why, "a sorted index without every record of its database once");
        }
        uint64_t recordBytes = 0;
        for (const Record *record : records)
            recordBytes += record->entryBytes;
        if (recordBytes != database.recordBytes || database.replayedRecords != records.size())
            return Fail(why, "a database's counts disagree with its records");
    }
    if (model.liveBytes != model.CountLiveBytes() || model.nextId <= highest)
        return Fail(why, "the live bytes or the next identifier disagree with the model");
    return true;
}

// The open's own path (checking the CRCs as it reads, and apart on a second thread) and the
// salvaging reading of recover, each ending in a sound model. The open agrees with the scan,
// which applies nothing, except that it refuses an entry that contradicts what came before.
bool CheckReplay(const char *bytes, size_t size, const StoreScanResult &scan, std::string &why)
{
    StoreReadResult opened;
    // A second thread per input costs the fuzzer nine tenths of its speed: inputs of every
    // eighth size take that path as well.
    for (const bool checkApart : {false, true}) {
        if (checkApart && size % 8 != 0)
            break;
        StoreModel model;
        const StoreReadResult read = ReplayStoreFile(bytes, size, model, checkApart);
        const bool contradicts = read.status == StoreScanStatus::Damaged && scan.status == StoreScanStatus::Valid &&
                                 read.damage.size() == 1 && read.damage[0].contradiction;
        if ((read.status != scan.status && !contradicts) ||
            (read.status == StoreScanStatus::Valid && read.validLength != scan.validLength))
            return Fail(why, "the open and the scan disagree on the file");
        if (checkApart && (read.status != opened.status || read.validLength != opened.validLength))
            return Fail(why, "the open reads the file otherwise when the CRCs are checked apart");
        opened = read;
        if (read.status != StoreScanStatus::Valid)
            continue;
        FinishReplay(model, 0);
        if (!CheckModel(model, why))
            return false;
    }
    StoreModel salvaged;
    StoreReadOptions options;
    options.pastDamage = PastDamage::Apply;
    const StoreReadResult read = ReadStoreLog(bytes, size, options, [&](StoreScanEntry &entry) {
        return ReplayEntry(salvaged, entry);
    });
    size_t end = read.validLength;
    for (const DamagedStretch &stretch : read.damage) {
        if (stretch.begin < end || stretch.end <= stretch.begin || stretch.end > size)
            return Fail(why, "damaged stretches overlap or leave the file");
        end = stretch.end;
    }
    if (opened.status == StoreScanStatus::Valid && (!read.damage.empty() || read.entries != opened.entries))
        return Fail(why, "recover finds damage in a file that opens");
    if (opened.status == StoreScanStatus::Damaged && read.status == StoreScanStatus::Valid && read.damage.empty())
        return Fail(why, "recover finds no damage in a file the open refuses");
    FinishReplay(salvaged, 0);
    return CheckModel(salvaged, why);
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
        return CheckReplay(bytes.get(), size, scan, why);
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
    return CheckReplay(bytes.get(), size, scan, why);
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
