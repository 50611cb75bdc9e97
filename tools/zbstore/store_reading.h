// A store file read whole and replayed into memory without taking it over: no lock, no
// truncation, nothing written, so it works beside a running Zifferbox. The reading goes through
// the program's own log reader, entry codec and replay; past damage it looks for the next
// intact entry, which is what check reports and recover saves.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "objectstore/log_reader.h"
#include "objectstore/model.h"

// A stretch of the file that holds no intact entry.
struct DamagedRange {
    size_t begin = 0;
    size_t end = 0;
    size_t entryNumber = 0;       // the entry that should have begun at begin (1 = first entry)
    std::string reason;           // German
    // Records a lost entry there wrote or deleted, where its framing still reads, with the name it
    // carried (a damaged entry's text may itself be damaged).
    std::vector<std::pair<CEOID, std::u16string>> touched;
};

struct StoreReading {
    ULONGLONG fileSize = 0;
    StoreScanStatus header = StoreScanStatus::Damaged;
    size_t intactEntries = 0;          // before the first damage
    size_t validLength = 0;            // end of the last intact entry before the first damage
    size_t tornTail = 0;               // bytes of an incomplete last entry (no damage)
    std::vector<DamagedRange> damage;  // empty for a sound file
    size_t entriesAfterDamage = 0;     // intact entries found after the first damage
    std::vector<std::string> contradictions;  // entries recover left out (German, with offset)
    StoreModel model;                  // every intact entry replayed (recover: past damage too)
    bool Damaged() const { return !damage.empty(); }
};

// The file's bytes, shared with a writer that holds it. False with the Win32 error set.
bool ReadStoreBytes(const std::wstring &path, std::string &bytes);
// Reads the bytes as the program would up to the first damage; with salvage, goes on past
// damage and replays every intact entry that does not contradict what came before.
StoreReading ReadStore(const std::string &bytes, bool salvage);
// Replays the file at path into model as an open replays it, indexes not yet sorted
// (FinishReplay sorts them). False unless it is a store file that opens: sound, or only a torn
// tail.
bool ReplaySoundStoreFile(const std::wstring &path, StoreModel &model);
