// A store file built by a few hundred calls, cut at every length and with single bits flipped:
// the reader takes each for a crash's torn end (a prefix of the calls) or refuses it, never hands
// back altered data, and leaves a refused file exactly as it was. Every case goes through the
// pure reader; a sample also through the real open of the store.
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include "hardening/store_model.h"
#include "objectstore/log_format.h"
#include "objectstore/log_reader.h"
#include "support/test_env.h"

namespace {

// The file after each call: its length, and what the store must hold.
struct History {
    std::wstring path;
    std::string bytes;
    std::vector<size_t> ends;         // ends[k]: length after k calls (ends[0]: the header alone)
    std::vector<StoreState> states;   // states[k]: the store after k calls
    CEOID idLimit = 0;
    // Calls whose entries end at or before length.
    size_t WholeCalls(size_t length) const
    {
        return std::upper_bound(ends.begin(), ends.end(), length) - ends.begin() - 1;
    }
};

const History &BuiltHistory()
{
    static History history;
    if (!history.ends.empty())
        return history;
    history.path = UseFreshStoreFile(L"sweep");
    ModelledStore store;
    std::mt19937 random(20240611);
    history.ends.push_back(kStoreHeaderSize);
    history.states.emplace_back();
    const auto note = [&](bool ok) {
        EXPECT_TRUE(ok) << "call " << history.ends.size();
        history.ends.push_back(ReadWholeFile(history.path).size());
        history.states.push_back(store.expected());
    };
    note(store.CreateDatabase(L"Zifferbox"));
    note(store.CreateDatabase(L"Kategorien"));
    for (unsigned call = 0; call < 260; ++call) {
        const unsigned choice = random() % 20;
        const size_t size = 3 + random() % 18;
        if (call == 130) {
            note(store.DeleteDatabase(L"Kategorien"));
        } else if (call == 140) {
            note(store.CreateDatabase(L"Kategorien"));
        } else if (choice < 3 && call < 130) {
            note(store.NewRecord(L"Kategorien", call, size));
        } else if (choice < 10 || !store.HasRecords(L"Zifferbox")) {
            note(store.NewRecord(L"Zifferbox", call, size));
        } else if (choice < 15) {
            note(store.Overwrite(L"Zifferbox", random(), call + 5000, size));
        } else if (choice < 16) {
            note(store.DropNote(L"Zifferbox", random()));
        } else {
            note(store.DeleteRecord(L"Zifferbox", random()));
        }
    }
    store.CloseAll();
    history.idLimit = store.highestId() + 16;
    history.bytes = ReadWholeFile(history.path);
    return history;
}

// The store opened through its calls: refused, or the state and the file as the cut left them.
struct Opened {
    bool ok = false;
    StoreState state;
    std::string fileAfter;
};

Opened OpenAsStore(const History &history, const std::string &bytes)
{
    Opened opened;
    EXPECT_TRUE(WriteWholeFile(history.path, bytes));
    opened.ok = ReadStoreState(opened.state, history.idLimit);
    opened.fileAfter = ReadWholeFile(history.path);
    return opened;
}

TEST(StoreSweeps, EveryCutLengthReadsAsAPrefixOfTheCalls)
{
    const History &history = BuiltHistory();
    ASSERT_FALSE(HasFailure());
    const std::string &bytes = history.bytes;
    ASSERT_EQ(history.ends.back(), bytes.size());
    ASSERT_LT(bytes.size(), 64u * 1024) << "the file must stay below compaction: one entry per call";
    const StoreScanResult whole = ScanStoreLog(bytes.data(), bytes.size());
    ASSERT_EQ(whole.entries.size(), history.ends.size() - 1);

    unsigned opens = 0;
    for (size_t length = 0; length <= bytes.size(); ++length) {
        const size_t calls = length < kStoreHeaderSize ? 0 : history.WholeCalls(length);
        const StoreScanResult scan = ScanStoreLog(bytes.data(), length);
        if (length < kStoreHeaderSize) {
            ASSERT_EQ(scan.status, StoreScanStatus::Empty) << "cut at " << length;
        } else {
            ASSERT_EQ(scan.status, StoreScanStatus::Valid) << "cut at " << length;
            ASSERT_EQ(scan.entries.size(), calls) << "cut at " << length;
            ASSERT_EQ(scan.validLength, history.ends[calls]) << "cut at " << length;
        }
        // Through the real open: the header, the first and the last calls whole, a sample between.
        const bool sample = length < history.ends[2] || length + 150 > bytes.size() || length % 293 == 0;
        if (!sample)
            continue;
        ++opens;
        const Opened opened = OpenAsStore(history, bytes.substr(0, length));
        ASSERT_TRUE(opened.ok) << "cut at " << length << " refused with " << GetLastError();
        EXPECT_EQ(opened.state, history.states[calls])
            << "cut at " << length << ": " << DescribeDifference(history.states[calls], opened.state);
        // Only the torn entry goes; a torn header becomes a new one.
        const std::string expectedFile =
            length < kStoreHeaderSize ? EncodeStoreHeader() : bytes.substr(0, history.ends[calls]);
        EXPECT_EQ(opened.fileAfter, expectedFile) << "cut at " << length;
        if (HasFailure())
            return;
    }
    std::cout << bytes.size() + 1 << " cut lengths read, " << opens << " of them opened as the store, "
              << history.ends.size() - 1 << " calls in the file\n";
}

TEST(StoreSweeps, FlippedBitsAreRefusedOrCutAsATornEnd)
{
    const History &history = BuiltHistory();
    ASSERT_FALSE(HasFailure());
    const std::string &bytes = history.bytes;
    std::vector<size_t> bits;
    for (size_t bit = 0; bit < 64 * 8; ++bit)
        bits.push_back(bit);
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i)
        bits.push_back(random() % (bytes.size() * 8));
    // The last entry: the only place where a flip reads as a torn end.
    for (size_t bit = history.ends[history.ends.size() - 2] * 8; bit < bytes.size() * 8; bit += 7)
        bits.push_back(bit);

    unsigned refused = 0, cut = 0, opens = 0;
    for (size_t i = 0; i < bits.size(); ++i) {
        const size_t bit = bits[i];
        const size_t at = bit / 8;
        std::string flipped = bytes;
        flipped[at] = static_cast<char>(flipped[at] ^ (1 << (bit % 8)));
        const StoreScanResult scan = ScanStoreLog(flipped.data(), flipped.size());
        size_t calls = 0;
        if (scan.status == StoreScanStatus::Valid) {
            // Kept entries end before the flipped byte: the flip itself is in the dropped end.
            calls = scan.entries.size();
            ASSERT_LT(calls, history.ends.size() - 1) << "flip of bit " << bit << " went unnoticed";
            ASSERT_LE(history.ends[calls], at) << "flip of bit " << bit << " inside a kept entry";
            ASSERT_EQ(scan.validLength, history.ends[calls]);
            ++cut;
        } else {
            ASSERT_EQ(scan.status, StoreScanStatus::Damaged) << "flip of bit " << bit;
            ++refused;
        }
        if (i % 20 != 0 && i + 40 < bits.size())
            continue;
        ++opens;
        const Opened opened = OpenAsStore(history, flipped);
        ASSERT_EQ(opened.ok, scan.status == StoreScanStatus::Valid) << "flip of bit " << bit;
        if (opened.ok) {
            EXPECT_EQ(opened.state, history.states[calls]) << "flip of bit " << bit;
            EXPECT_EQ(opened.fileAfter, bytes.substr(0, history.ends[calls])) << "flip of bit " << bit;
        } else {
            EXPECT_EQ(opened.fileAfter, flipped) << "flip of bit " << bit << ": the refused file was changed";
        }
        if (HasFailure())
            return;
    }
    std::cout << bits.size() << " flipped bits: " << refused << " refused, " << cut << " cut as a torn end; " << opens
              << " opened as the store\n";
}

}  // namespace
