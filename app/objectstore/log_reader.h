// Reading a store file's bytes: the header, then entry after entry with its offset, telling a
// torn end (what a crash leaves: cut short, or zeros where the file grew) from damage that no
// crash explains. Plain C++, no Win32 and no file access, so it reads any buffer (a file, a
// copy, a fuzzer's input) and builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <vector>
#include "objectstore/entry_codec.h"

// The result of reading a whole file.
enum class StoreScanStatus {
    Empty,          // no bytes, or only a torn beginning of a header and zeros: a new file
    Valid,          // header and entries read; validLength may be less than the file (torn tail)
    Damaged,        // bad header or damage a crash cannot explain
};

// One framed entry as it lies in the bytes, not yet decoded.
struct StoreLogRecord {
    size_t offset = 0;              // of the entry's first byte
    size_t size = 0;                // whole entry, framing included
    const char *payload = nullptr;  // inside the reader's buffer
    size_t payloadSize = 0;
};

// Walks the framed entries of a buffer that must outlive it.
class StoreLogReader {
public:
    // Without checkCrc only the framing is checked: for a caller that checks the CRCs apart, with
    // a reader of its own, and goes by that reader's end.
    StoreLogReader(const char *bytes, size_t size, bool checkCrc = true)
        : bytes_(bytes), size_(size), checkCrc_(checkCrc)
    {
    }

    // Checks the header: Valid when whole, Empty for a file never written, else Damaged.
    StoreScanStatus ReadHeader();
    // The next whole entry with a correct CRC. False at the end of the valid part: then
    // Damaged() says whether damage rather than the end or a torn tail stopped it.
    bool Next(StoreLogRecord &record);
    bool Damaged() const { return damaged_; }
    // Bytes up to the end of the last entry that Next returned (the header after ReadHeader).
    size_t ValidLength() const { return pos_; }

private:
    const char *bytes_;
    size_t size_;
    bool checkCrc_;
    size_t pos_ = 0;
    bool damaged_ = false;
};

struct StoreScanEntry {
    size_t offset = 0;  // of the entry's first byte
    size_t size = 0;    // whole entry, framing included
    StoreEntry entry;
};

struct StoreScanResult {
    StoreScanStatus status = StoreScanStatus::Damaged;
    size_t validLength = 0;  // bytes up to the end of the last whole entry
    std::vector<StoreScanEntry> entries;
};

// Reads and decodes a file's bytes. A torn last entry (cut short, or a bad CRC that ends at the
// end of the file, or a zero-filled tail) ends the valid part; any other fault, an entry that
// does not decode included, makes the file Damaged.
StoreScanResult ScanStoreLog(const char *bytes, size_t size);
