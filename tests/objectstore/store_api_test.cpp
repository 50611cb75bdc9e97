// The object store's calls as the store classes use them: databases, records, reads, seeks,
// limits and persistence, through a real store file.
#include <gtest/gtest.h>
#include "objectstore/file.h"
#include "app_support/store_test_support.h"
#include "support/test_env.h"

namespace {

TEST(ObjectStoreDatabases, CreateOpenByNameAndIdAndRefuseDuplicatesAndUnknown)
{
    UseFreshStoreFile(L"databases");
    const CEOID first = CreateTextDatabase(L"Zifferbox");
    const CEOID second = CreateTextDatabase(L"Zifferbox-Kategorien", kCategoryProp);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(CreateTextDatabase(L"Zifferbox"), 0u) << "a second database of the same name";
    EXPECT_EQ(CreateTextDatabase(L"ZIFFERBOX"), 0u) << "names ignore case";
    EXPECT_EQ(CreateTextDatabase(L""), 0u);
    EXPECT_EQ(CreateTextDatabase(L"0123456789012345678901234567890123"), 0u) << "longer than 31 characters";
    EXPECT_NE(CreateTextDatabase(L"0123456789012345678901234567890"), 0u) << "31 characters";

    CEOID id = 0;
    DatabaseHandle byName(OpenByName(L"Zifferbox", kNameProp, &id));
    ASSERT_TRUE(byName.valid());
    EXPECT_EQ(id, first);
    CEOID byIdentifier = second;
    DatabaseHandle byId(CeOpenDatabase(&byIdentifier, nullptr, kCategoryProp, CEDB_AUTOINCREMENT, nullptr));
    EXPECT_TRUE(byId.valid());
    EXPECT_NE(byName.get(), byId.get());

    CEOID unknown = 0;
    EXPECT_EQ(CeOpenDatabase(&unknown, const_cast<LPWSTR>(L"Fehlt"), kNameProp, 0, nullptr), INVALID_HANDLE_VALUE);
    unknown = 0x7777;
    EXPECT_EQ(CeOpenDatabase(&unknown, nullptr, kNameProp, 0, nullptr), INVALID_HANDLE_VALUE);
    id = 0;
    EXPECT_EQ(CeOpenDatabase(&id, const_cast<LPWSTR>(L"Zifferbox"), kCategoryProp, 0, nullptr), INVALID_HANDLE_VALUE)
        << "a property that is not a sort order of the database";

    CEOIDINFO info;
    ASSERT_TRUE(CeOidGetInfo(first, &info));
    EXPECT_EQ(info.wObjType, OBJTYPE_DATABASE);
    EXPECT_STREQ(info.infDatabase.szDbaseName, L"Zifferbox");
    EXPECT_EQ(info.infDatabase.wNumSortOrder, 1);
    EXPECT_EQ(info.infDatabase.rgSortSpecs[0].propid, kNameProp);
    EXPECT_EQ(info.infDatabase.rgSortSpecs[0].dwFlags, CEDB_SORT_CASEINSENSITIVE);
    EXPECT_EQ(CeCloseDatabase(reinterpret_cast<HANDLE>(0x1234)), FALSE);

    EXPECT_FALSE(CeDeleteDatabase(second)) << "still open";
    byId.Close();
    EXPECT_TRUE(CeDeleteDatabase(second));
    EXPECT_FALSE(CeOidGetInfo(second, &info));
    EXPECT_NE(CreateTextDatabase(L"Zifferbox-Kategorien"), second) << "identifiers are never reused";
}

TEST(ObjectStoreRecords, RoundTripSelectionOverwriteDeleteAndInfo)
{
    UseFreshStoreFile(L"records");
    const CEOID databaseId = CreateTextDatabase(L"Zifferbox");
    DatabaseHandle database(OpenByName(L"Zifferbox"));
    ASSERT_TRUE(database.valid());

    const std::wstring longRemark(3000, L'\x00FC');  // no limit in the store itself
    const CEOID record = WriteTexts(database.get(), 0,
                                    {{kNameProp, L"Office"}, {kSerialProp, L"123-456"}, {kRemarkProp, longRemark},
                                     {kCategoryProp, L""}});
    ASSERT_NE(record, 0u);

    // All properties, in the order written, text included in the buffer.
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_CEOID, record, nullptr), record);
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    ASSERT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), record);
    ASSERT_EQ(count, 4);
    const CEPROPVAL *values = reinterpret_cast<const CEPROPVAL *>(buffer);
    EXPECT_EQ(values[0].propid, kNameProp);
    EXPECT_STREQ(values[0].val.lpwstr, L"Office");
    EXPECT_STREQ(values[1].val.lpwstr, L"123-456");
    EXPECT_EQ(values[2].val.lpwstr, longRemark);
    EXPECT_STREQ(values[3].val.lpwstr, L"");
    for (WORD i = 0; i < count; ++i) {
        const BYTE *text = reinterpret_cast<const BYTE *>(values[i].val.lpwstr);
        EXPECT_TRUE(text >= buffer && text < buffer + size) << "text lives in the buffer";
    }
    EXPECT_GE(LocalSize(buffer), size);

    // Selected properties, one missing; the caller's order.
    CEPROPID wanted[3] = {kRemarkProp, 0x0009001F, kNameProp};
    WORD wantedCount = 3;
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_BEGINNING, 0, nullptr), record);
    ASSERT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &wantedCount, wanted, &buffer, &size), record);
    values = reinterpret_cast<const CEPROPVAL *>(buffer);
    EXPECT_EQ(wantedCount, 3);
    EXPECT_EQ(values[0].val.lpwstr, longRemark);
    EXPECT_EQ(values[1].propid, 0x0009001Fu);
    EXPECT_TRUE(values[1].wFlags & CEDB_PROPNOTFOUND);
    EXPECT_STREQ(values[2].val.lpwstr, L"Office");
    LocalFree(buffer);

    // Overwrite: a property replaced, one deleted, one added; the others stay.
    CEPROPVAL change[3] = {};
    change[0].propid = kSerialProp;
    change[0].val.lpwstr = const_cast<LPWSTR>(L"999");
    change[1].propid = kRemarkProp;
    change[1].wFlags = CEDB_PROPDELETE;
    change[2].propid = 0x00050013;  // a number
    change[2].val.ulVal = 4711;
    ASSERT_EQ(CeWriteRecordProps(database.get(), record, 3, change), record);
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_BEGINNING, 0, nullptr), record);
    buffer = nullptr;
    count = 0;
    ASSERT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), record);
    values = reinterpret_cast<const CEPROPVAL *>(buffer);
    ASSERT_EQ(count, 4);
    EXPECT_STREQ(values[0].val.lpwstr, L"Office");
    EXPECT_STREQ(values[1].val.lpwstr, L"999");
    EXPECT_EQ(values[2].propid, kCategoryProp);
    EXPECT_EQ(values[3].val.ulVal, 4711u);
    LocalFree(buffer);

    EXPECT_EQ(WriteTexts(database.get(), 0x99999, {{kNameProp, L"x"}}), 0u) << "unknown record";
    CEPROPVAL nullText = {};
    nullText.propid = kNameProp;
    EXPECT_EQ(CeWriteRecordProps(database.get(), 0, 1, &nullText), 0u) << "text without a pointer";

    const CEOID other = WriteTexts(database.get(), 0, {{kNameProp, L"Anderes"}});
    CEOIDINFO info;
    ASSERT_TRUE(CeOidGetInfo(databaseId, &info));
    EXPECT_EQ(info.infDatabase.wNumRecords, 2);
    ASSERT_TRUE(CeOidGetInfo(other, &info));
    EXPECT_EQ(info.wObjType, OBJTYPE_RECORD);
    EXPECT_EQ(info.infRecord.oidParent, databaseId);

    EXPECT_TRUE(CeDeleteRecord(database.get(), record));
    EXPECT_FALSE(CeDeleteRecord(database.get(), record)) << "already gone";
    EXPECT_FALSE(CeOidGetInfo(record, &info));
    ASSERT_TRUE(CeOidGetInfo(databaseId, &info));
    EXPECT_EQ(info.infDatabase.wNumRecords, 1);
    EXPECT_EQ(ReadAllTexts(database.get()), std::vector<std::wstring>{L"Anderes"});
}

TEST(ObjectStoreRecords, NumbersBlobsAndTimesComeBackAsWritten)
{
    UseFreshStoreFile(L"types");
    SORTORDERSPEC order = {0x00010003, 0};
    ASSERT_NE(CeCreateDatabase(const_cast<LPWSTR>(L"Typen"), 7, 1, &order), 0u);
    CEOID id = 0;
    DatabaseHandle database(CeOpenDatabase(&id, const_cast<LPWSTR>(L"Typen"), 0x00010003, 0, nullptr));
    ASSERT_TRUE(database.valid());
    BYTE blob[5] = {0, 1, 2, 0xFE, 0xFF};
    CEPROPVAL in[7] = {};
    in[0].propid = 0x00010003; in[0].val.lVal = -123456;
    in[1].propid = 0x00020002; in[1].val.iVal = -7;
    in[2].propid = 0x00030012; in[2].val.uiVal = 65000;
    in[3].propid = 0x0004000B; in[3].val.boolVal = TRUE;
    in[4].propid = 0x00050005; in[4].val.dblVal = -2.5e300;
    in[5].propid = 0x00060040; in[5].val.filetime = FILETIME{0x89ABCDEF, 0x01234567};
    in[6].propid = 0x00070041; in[6].val.blob = CEBLOB{sizeof blob, blob};
    const CEOID record = CeWriteRecordProps(database.get(), 0, 7, in);
    ASSERT_NE(record, 0u);
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_BEGINNING, 0, nullptr), record);
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    ASSERT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), record);
    ASSERT_EQ(count, 7);
    const CEPROPVAL *out = reinterpret_cast<const CEPROPVAL *>(buffer);
    EXPECT_EQ(out[0].val.lVal, -123456);
    EXPECT_EQ(out[1].val.iVal, -7);
    EXPECT_EQ(out[2].val.uiVal, 65000);
    EXPECT_EQ(out[3].val.boolVal, TRUE);
    EXPECT_EQ(out[4].val.dblVal, -2.5e300);
    EXPECT_EQ(out[5].val.filetime.dwLowDateTime, 0x89ABCDEFu);
    EXPECT_EQ(out[5].val.filetime.dwHighDateTime, 0x01234567u);
    ASSERT_EQ(out[6].val.blob.dwCount, sizeof blob);
    EXPECT_EQ(memcmp(out[6].val.blob.lpb, blob, sizeof blob), 0);
    LocalFree(buffer);
}

TEST(ObjectStoreRecords, BufferIsAllocatedGrownOrRefused)
{
    DatabaseHandle database(OpenFreshTextDatabase(L"buffer", L"Puffer"));
    ASSERT_TRUE(database.valid());
    const CEOID shortRecord = WriteTexts(database.get(), 0, {{kNameProp, L"a"}});
    const CEOID longRecord = WriteTexts(database.get(), 0, {{kNameProp, L"b" + std::wstring(500, L'x')}});
    ASSERT_NE(longRecord, 0u);

    // No buffer and no permission to allocate: refused, nothing handed out, cursor kept.
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    WORD count = 0;
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_BEGINNING, 0, nullptr), shortRecord);
    EXPECT_EQ(CeReadRecordProps(database.get(), 0, &count, nullptr, &buffer, &size), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer, nullptr);

    ASSERT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), shortRecord);
    ASSERT_NE(buffer, nullptr);
    const SIZE_T small = LocalSize(buffer);
    EXPECT_GE(small, size);

    // Too small for the next record and no permission: refused, buffer untouched.
    DWORD keptSize = size;
    LPBYTE kept = buffer;
    EXPECT_EQ(CeReadRecordProps(database.get(), 0, &count, nullptr, &buffer, &keptSize), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer, kept);
    EXPECT_EQ(keptSize, size);

    ASSERT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size), longRecord);
    EXPECT_GT(LocalSize(buffer), small);
    EXPECT_GE(LocalSize(buffer), size);
    EXPECT_EQ(reinterpret_cast<CEPROPVAL *>(buffer)[0].val.lpwstr, L"b" + std::wstring(500, L'x'));

    // At the end nothing is read and, with no buffer given, nothing allocated.
    LPBYTE none = nullptr;
    DWORD noneSize = 0;
    EXPECT_EQ(CeReadRecordProps(database.get(), CEDB_ALLOWREALLOC, &count, nullptr, &none, &noneSize), 0u);
    EXPECT_EQ(none, nullptr);
    LocalFree(buffer);
}

TEST(ObjectStoreSeek, EveryKindReachesTheRightRecord)
{
    DatabaseHandle database(OpenFreshTextDatabase(L"seek", L"Suche"));
    ASSERT_TRUE(database.valid());
    // Written out of order; sorted: Anton, berta, Berta, Cäsar, Dora.
    const CEOID dora = WriteTexts(database.get(), 0, {{kNameProp, L"Dora"}});
    const CEOID berta = WriteTexts(database.get(), 0, {{kNameProp, L"berta"}});
    const CEOID anton = WriteTexts(database.get(), 0, {{kNameProp, L"Anton"}});
    const CEOID caesar = WriteTexts(database.get(), 0, {{kNameProp, L"Cäsar"}});
    const CEOID berta2 = WriteTexts(database.get(), 0, {{kNameProp, L"Berta"}});
    ASSERT_EQ(ReadAllIds(database.get()), (std::vector<CEOID>{anton, berta, berta2, caesar, dora}));

    CEPROPVAL bValue = {};
    bValue.propid = kNameProp;
    bValue.val.lpwstr = const_cast<LPWSTR>(L"BERTA");
    CEPROPVAL cValue = bValue;
    cValue.val.lpwstr = const_cast<LPWSTR>(L"c");
    CEPROPVAL missing = bValue;
    missing.val.lpwstr = const_cast<LPWSTR>(L"Emil");
    const DWORD_PTR b = reinterpret_cast<DWORD_PTR>(&bValue);
    const DWORD_PTR c = reinterpret_cast<DWORD_PTR>(&cValue);
    const DWORD_PTR e = reinterpret_cast<DWORD_PTR>(&missing);

    struct Step {
        DWORD type;
        DWORD_PTR value;
        CEOID expected;
        DWORD position;
    };
    const Step steps[] = {
        {CEDB_SEEK_BEGINNING, 0, anton, 0},
        {CEDB_SEEK_BEGINNING, 4, dora, 4},
        {CEDB_SEEK_BEGINNING, 5, 0, 0},
        {CEDB_SEEK_BEGINNING, 1, berta, 1},
        {CEDB_SEEK_CURRENT, 2, caesar, 3},
        {CEDB_SEEK_CURRENT, static_cast<DWORD>(-3), anton, 0},
        {CEDB_SEEK_CURRENT, static_cast<DWORD>(-1), 0, 0},
        {CEDB_SEEK_END, 0, dora, 4},
        {CEDB_SEEK_END, 1, caesar, 3},
        {CEDB_SEEK_END, 5, 0, 0},
        {CEDB_SEEK_CEOID, berta2, berta2, 2},
        {CEDB_SEEK_CEOID, 0x4242, 0, 0},
        {CEDB_SEEK_VALUEFIRSTEQUAL, b, berta, 1},
        {CEDB_SEEK_VALUENEXTEQUAL, b, berta2, 2},
        {CEDB_SEEK_VALUENEXTEQUAL, b, 0, 0},
        {CEDB_SEEK_VALUEFIRSTEQUAL, e, 0, 0},
        {CEDB_SEEK_VALUESMALLER, b, anton, 0},
        {CEDB_SEEK_VALUEGREATER, b, caesar, 3},
        {CEDB_SEEK_VALUEGREATER, c, caesar, 3},
        {CEDB_SEEK_VALUESMALLER, c, berta2, 2},
        {CEDB_SEEK_VALUEGREATER, e, 0, 0},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(testing::Message() << "seek type " << step.type << " value " << step.value);
        DWORD position = 0xDEAD;
        EXPECT_EQ(CeSeekDatabase(database.get(), step.type, step.value, &position), step.expected);
        CEOID read = 0;
        ReadText(database.get(), kNameProp, &read);
        EXPECT_EQ(read, step.expected) << "a read after the seek";
        // The handle advances on read; step back so relative seeks start where the seek ended.
        if (step.expected) {
            EXPECT_EQ(position, step.position);
            CeSeekDatabase(database.get(), CEDB_SEEK_CEOID, step.expected, nullptr);
        }
    }
}

TEST(ObjectStoreSeek, CursorFollowsWritesAndDeletes)
{
    DatabaseHandle database(OpenFreshTextDatabase(L"cursor", L"Cursor"));
    const CEOID a = WriteTexts(database.get(), 0, {{kNameProp, L"a"}});
    const CEOID b = WriteTexts(database.get(), 0, {{kNameProp, L"b"}});
    const CEOID c = WriteTexts(database.get(), 0, {{kNameProp, L"c"}});
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_BEGINNING, 1, nullptr), b);
    // The record at the cursor moves to the end of the order; the cursor goes with it.
    ASSERT_EQ(WriteTexts(database.get(), b, {{kNameProp, L"z"}}), b);
    EXPECT_EQ(ReadAllTexts(database.get()), (std::vector<std::wstring>{L"a", L"c", L"z"}));
    ASSERT_EQ(CeSeekDatabase(database.get(), CEDB_SEEK_CEOID, a, nullptr), a);
    // Deleting the record at the cursor leaves the cursor on the one that follows.
    ASSERT_TRUE(CeDeleteRecord(database.get(), a));
    CEOID read = 0;
    EXPECT_EQ(ReadText(database.get(), kNameProp, &read), L"c");
    EXPECT_EQ(read, c);
    EXPECT_EQ(ReadText(database.get(), kNameProp, &read), L"z");
    EXPECT_EQ(ReadText(database.get(), kNameProp, &read), L"");
    EXPECT_EQ(read, 0u) << "past the end";
}

TEST(ObjectStorePersistence, EverythingComesBackAfterTheLastHandleCloses)
{
    const std::wstring path = UseFreshStoreFile(L"persist");
    const CEOID databaseId = CreateTextDatabase(L"Zifferbox");
    CEOID kept = 0;
    CEOID removed = 0;
    {
        DatabaseHandle database(OpenByName(L"Zifferbox"));
        kept = WriteTexts(database.get(), 0, {{kNameProp, L"Bleibt"}, {kSerialProp, L"1"}});
        removed = WriteTexts(database.get(), 0, {{kNameProp, L"Geht"}});
        ASSERT_EQ(WriteTexts(database.get(), kept, {{kSerialProp, L"2"}}), kept);
        ASSERT_TRUE(CeDeleteRecord(database.get(), removed));
    }
    // With no handle open the file is free: another opener could take it.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    CEOID id = 0;
    DatabaseHandle database(OpenByName(L"Zifferbox", kNameProp, &id));
    ASSERT_TRUE(database.valid());
    EXPECT_EQ(id, databaseId);
    EXPECT_EQ(ReadAllIds(database.get()), std::vector<CEOID>{kept});
    EXPECT_EQ(ReadAllTexts(database.get(), kSerialProp), std::vector<std::wstring>{L"2"});
    const CEOID fresh = WriteTexts(database.get(), 0, {{kNameProp, L"Neu"}});
    EXPECT_GT(fresh, removed) << "identifiers are never reused, also across opens";
}

// Flushes that only report success: filling 65,535 records with real flushes would take minutes.
BOOL NoFlush(HANDLE) { return TRUE; }

TEST(ObjectStoreLimits, AtMost65535RecordsAndAllBackAfterAReopen)
{
    UseFreshStoreFile(L"limit");
    const CEOID databaseId = CreateTextDatabase(L"Voll");
    StoreFileOps fast = RealStoreFileOps();
    fast.flushFile = NoFlush;
    InstallProcessStore(fast);
    {
        DatabaseHandle database(OpenByName(L"Voll"));
        WCHAR name[32];
        for (DWORD i = 0; i < CEDB_MAXRECORDS; ++i) {
            wsprintfW(name, L"Objekt %05lu", i);
            ASSERT_NE(WriteTexts(database.get(), 0, {{kNameProp, name}}), 0u) << i;
        }
    }
    InstallProcessStore(RealStoreFileOps());

    // How long the reopen takes is a figure of make bench (store_open_replay).
    DatabaseHandle database(OpenByName(L"Voll"));
    ASSERT_TRUE(database.valid());
    CEOIDINFO info;
    ASSERT_TRUE(CeOidGetInfo(databaseId, &info));
    EXPECT_EQ(info.infDatabase.wNumRecords, 65535);
    EXPECT_EQ(WriteTexts(database.get(), 0, {{kNameProp, L"eins zu viel"}}), 0u);
    const CEOID last = CeSeekDatabase(database.get(), CEDB_SEEK_BEGINNING, 65534, nullptr);
    ASSERT_NE(last, 0u);
    EXPECT_EQ(ReadText(database.get(), kNameProp), L"Objekt 65534");
    EXPECT_EQ(WriteTexts(database.get(), last, {{kNameProp, L"Objekt 65534 neu"}}), last) << "overwriting is no new record";
    ASSERT_TRUE(CeDeleteRecord(database.get(), last));
    EXPECT_NE(WriteTexts(database.get(), 0, {{kNameProp, L"wieder Platz"}}), 0u);
}

}  // namespace
