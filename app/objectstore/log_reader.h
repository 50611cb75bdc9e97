// Reading a store file's bytes: the header, then entry after entry with its offset, telling a
// torn end (what a crash leaves: cut short, or zeros where the file grew) from damage that no
// crash explains. Plain C++, no Win32 and no file access, so it reads any buffer (a file, a
// copy, a fuzzer's input) and builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <functional>
#include <utility>
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
    // Goes on reading at offset, as if nothing came before: past damage, where an intact entry
    // was found.
    void ResumeAt(size_t offset)
    {
        pos_ = offset;
        damaged_ = false;
    }
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

// What a reading does where it meets damage.
enum class PastDamage {
    Stop,   // the open: damage anywhere makes the file Damaged
    Count,  // check: finds the intact entries that follow and counts them, applying none
    Apply,  // recover: goes on at each next intact entry and applies every one that fits
};

struct StoreReadOptions {
    bool checkCrc = true;           // false: framing only, for a caller that checks the CRCs apart
    bool decode = true;             // false: entries are framed only; none is decoded or applied
    bool unpackProperties = false;  // a write's properties also one by one (StoreEntry::properties)
    PastDamage pastDamage = PastDamage::Stop;
};

// A stretch of the bytes that holds no intact entry that fits, and the next one after it.
struct DamagedStretch {
    size_t begin = 0;
    size_t end = 0;                // where the next intact entry begins, or the end of the bytes
    size_t entryNumber = 0;        // the entry that should have begun at begin (1 = first entry)
    bool contradiction = false;    // a whole entry that contradicts what came before; else unreadable
};

struct StoreReadResult {
    StoreScanStatus status = StoreScanStatus::Damaged;
    size_t validLength = 0;        // end of the last intact entry before any damage (or the header)
    size_t entries = 0;            // intact entries before any damage
    std::vector<DamagedStretch> damage;  // with Stop only where the first begins, the status Damaged
    size_t entriesAfterDamage = 0;       // intact entries past damage, applied or counted
    // Past damage with Apply: whole entries left out as contradicting what was saved, as
    // (offset, entry number).
    std::vector<std::pair<size_t, size_t>> leftOut;
};

// Applies one decoded entry; false when it contradicts what came before.
using StoreEntrySink = std::function<bool(StoreScanEntry &entry)>;

// The one loop that reads a store file's bytes: the header, then entry after entry, framed,
// decoded and handed to apply, in the order they lie. A torn last entry ends the valid part;
// any other fault (bad framing or CRC that a torn end does not explain, an entry that does not
// decode, or one that apply refuses) is damage, dealt with as options.pastDamage says.
StoreReadResult ReadStoreLog(const char *bytes, size_t size, const StoreReadOptions &options,
                             const StoreEntrySink &apply);

struct StoreScanResult {
    StoreScanStatus status = StoreScanStatus::Damaged;
    size_t validLength = 0;  // bytes up to the end of the last whole entry
    std::vector<StoreScanEntry> entries;
};

// The entries of a file's bytes, decoded and collected, as the open reads them.
StoreScanResult ScanStoreLog(const char *bytes, size_t size);
