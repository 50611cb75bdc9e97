// Sort orders of the object store against the platform's own comparisons: a real sorted list
// box for case-insensitive text, CompareStringW for case-sensitive text, numbers, descending.
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include "app_support/store_test_support.h"
#include "objectstore/sort_key.h"
#include "objectstore/file.h"
#include "objectstore/model.h"
#include "support/test_env.h"
#include "support/test_files.h"

namespace {

const std::vector<std::wstring> kTrickyNames = {
    L"Zulu", L"beta", L"\x00C4pfel", L"Alpha", L"alpha", L"9", L"10", L"_x", L" zeta", L" Beta",
    L"\x00E4pfel", L"Apfel", L"Stra\x00DF" L"e", L"Strasse", L"co-op", L"coop", L"", L"\x00C9" L"cole", L"ecole",
    L"Zulu", L"a b", L"ab", L"\x00D6l", L"Oz", L"$", L"'quoted'", L"Zz", L"z\x00DF",
};

std::vector<std::wstring> SortedListBoxOrder(const std::vector<std::wstring> &names)
{
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    std::vector<std::wstring> order;
    if (!list)
        return order;
    for (const std::wstring &name : names)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR text[256] = L"";
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        order.push_back(text);
    }
    DestroyWindow(list);
    return order;
}

bool SameIgnoringCase(const std::wstring &a, const std::wstring &b)
{
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

std::vector<std::wstring> StoreOrder(const std::wstring &databaseName, const std::vector<std::wstring> &names,
                                     DWORD flags)
{
    CreateTextDatabase(databaseName.c_str(), kNameProp, flags);
    DatabaseHandle database(OpenByName(databaseName.c_str()));
    for (const std::wstring &name : names)
        WriteTexts(database.get(), 0, {{kNameProp, name}});
    return ReadAllTexts(database.get());
}

TEST(ObjectStoreSort, CaseInsensitiveOrderIsTheSortedListBoxOrder)
{
    UseFreshStoreFile(L"sort-listbox");
    const std::vector<std::wstring> store = StoreOrder(L"Namen", kTrickyNames, CEDB_SORT_CASEINSENSITIVE);
    const std::vector<std::wstring> list = SortedListBoxOrder(kTrickyNames);
    ASSERT_EQ(list.size(), kTrickyNames.size()) << "the list box was not made";
    ASSERT_EQ(store.size(), list.size());
    // Texts that compare equal may stand in either order in the list box; the store keeps the
    // order they were written in.
    for (size_t i = 0; i < store.size(); ++i)
        EXPECT_TRUE(SameIgnoringCase(store[i], list[i])) << i << ": store '" << store[i] << "' list '" << list[i] << "'";

    const std::vector<std::wstring> seen = {L" Beta", L" zeta", L"_x", L"10", L"9", L"alpha", L"Alpha", L"\x00C4pfel",
                                            L"beta", L"Zulu"};
    const std::vector<std::wstring> reversed(seen.rbegin(), seen.rend());  // "Alpha" written before "alpha"
    UseFreshStoreFile(L"sort-seen");
    EXPECT_EQ(StoreOrder(L"Namen", reversed, CEDB_SORT_CASEINSENSITIVE),
              (std::vector<std::wstring>{L" Beta", L" zeta", L"_x", L"10", L"9", L"Alpha", L"alpha", L"\x00C4pfel",
                                         L"beta", L"Zulu"}));
}

std::vector<std::wstring> RandomNames(size_t count, unsigned seed)
{
    const std::wstring alphabet = L"aAbBzZ \x00E4\x00C4\x00F6\x00D6\x00FC\x00DC\x00DF_-.,'0129\x00E9\x00C9\x2013\x00A0\x00F1";
    std::mt19937 random(seed);
    std::vector<std::wstring> names;
    for (size_t i = 0; i < count; ++i) {
        std::wstring name;
        const size_t length = random() % 7;
        for (size_t j = 0; j < length; ++j)
            name += alphabet[random() % alphabet.size()];
        names.push_back(name);
    }
    return names;
}

TEST(ObjectStoreSort, TextOrdersMatchCompareStringAndKeepWriteOrderOfEqualKeys)
{
    const std::vector<std::wstring> names = RandomNames(1500, 20240611);
    struct Case {
        DWORD flags;
        DWORD compareFlags;
        bool descending;
    };
    const Case cases[] = {
        {CEDB_SORT_CASEINSENSITIVE, NORM_IGNORECASE, false},
        {0, 0, false},
        {CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_DESCENDING, NORM_IGNORECASE, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "sort flags " << c.flags);
        UseFreshStoreFile(L"sort-random");
        std::vector<std::wstring> expected = names;
        std::stable_sort(expected.begin(), expected.end(), [&](const std::wstring &a, const std::wstring &b) {
            const int order = CompareStringW(LOCALE_USER_DEFAULT, c.compareFlags, a.c_str(), -1, b.c_str(), -1) - 2;
            return c.descending ? order > 0 : order < 0;
        });
        EXPECT_EQ(StoreOrder(L"Zufall", names, c.flags), expected);
    }
    // An open sorts a large database in two halves on two threads and merges them.
    const std::vector<std::wstring> many = RandomNames(6000, 99);
    std::vector<std::wstring> expected = many;
    std::stable_sort(expected.begin(), expected.end(), [](const std::wstring &a, const std::wstring &b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    });
    UseFreshStoreFile(L"sort-halves");
    StoreFileOps fast = RealStoreFileOps();
    fast.flushFile = [](HANDLE) -> BOOL { return TRUE; };
    InstallProcessStore(fast);
    EXPECT_EQ(StoreOrder(L"Zufall", many, CEDB_SORT_CASEINSENSITIVE), expected);
    InstallProcessStore(RealStoreFileOps());
    DatabaseHandle reopened(OpenByName(L"Zufall"));
    EXPECT_EQ(ReadAllTexts(reopened.get()), expected) << "as sorted at the open";
}

// A model of one database sorted by name, its records written as the store writes them.
struct NameModel {
    StoreModel model;
    Database *database = nullptr;

    explicit NameModel(const std::vector<std::wstring> &names)
    {
        database = &model.databases[1];
        database->id = 1;
        database->sortOrders = {{kNameProp, CEDB_SORT_CASEINSENSITIVE}};
        InitIndexes(*database, model.locale);
        for (size_t i = 0; i < names.size(); ++i)
            Add(CEOID(i + 2), names[i]);
        BuildCreationOrders(model, 0);
        BuildSortedIndexes(model);
    }
    Record *Add(CEOID id, const std::wstring &name)
    {
        Record &record = model.records[id];
        record.id = id;
        record.database = database->id;
        StoredProperty property{kNameProp, std::string(reinterpret_cast<const char *>(name.c_str()),
                                                       (name.size() + 1) * sizeof(wchar_t))};
        const std::string payload = EncodeWriteRecordPayload(1, id, {property});
        record.properties = PackedProperties::Owned(payload.data() + kPackedPropertiesOffset,
                                                    payload.size() - kPackedPropertiesOffset);
        return &record;
    }
    // Every live record once and found where it stands; in the order a fresh sort gives when
    // ordered is asked for.
    void ExpectSound(const std::string &after, bool ordered) const
    {
        std::vector<Record *> fresh;
        for (auto &entry : const_cast<StoreModel &>(model).records)
            fresh.push_back(&entry.second);
        std::sort(fresh.begin(), fresh.end(), [this](const Record *a, const Record *b) {
            const int order = CompareSortKeys(SortKeyOf(*database, *a, 0), SortKeyOf(*database, *b, 0),
                                              CEDB_SORT_CASEINSENSITIVE);
            return order != 0 ? order < 0 : a->id < b->id;
        });
        const std::vector<Record *> &byName = database->indexes[1].order;
        if (ordered) {
            ASSERT_EQ(byName, fresh) << after;
        }
        std::vector<Record *> held = byName;
        std::sort(held.begin(), held.end());
        std::sort(fresh.begin(), fresh.end());
        ASSERT_EQ(held, fresh) << after << ": not every live record once";
        for (size_t i = 0; i < byName.size(); ++i)
            ASSERT_EQ(PositionOf(*database, 1, byName[i]), i) << after;
    }
};

TEST(ObjectStoreSort, AnIndexFoundOutOfOrderIsSortedAnewAndNeverKeepsARecordThatIsGone)
{
    // Wrong but well-formed: every record once, in reverse, or with one neighbouring pair swapped.
    for (const bool reversed : {true, false}) {
        SCOPED_TRACE(reversed ? "reversed" : "one pair swapped");
        NameModel names(RandomNames(400, 31));
        std::vector<Record *> &order = names.database->indexes[1].order;
        if (reversed)
            std::reverse(order.begin(), order.end());
        else
            std::swap(order[150], order[151]);
        std::mt19937 random(reversed ? 7 : 8);
        CEOID nextId = 1000;
        for (int step = 0; step < 40; ++step) {
            auto victim = names.model.records.begin();
            std::advance(victim, random() % names.model.records.size());
            Record *record = &victim->second;
            if (step % 3 == 2) {
                Record *added = names.Add(nextId++, RandomNames(1, step)[0]);
                InsertIntoIndexes(*names.database, added);
            } else {
                RemoveFromIndexes(*names.database, record);
                names.model.records.erase(victim);
            }
            // The first removal from the reversed index misses and sorts it anew.
            names.ExpectSound("step " + std::to_string(step), reversed);
            if (HasFailure())
                return;
        }
    }
}

TEST(ObjectStoreSort, NumbersDescendingAndMissingPropertiesFirst)
{
    UseFreshStoreFile(L"sort-numbers");
    const CEPROPID number = 0x00020003;  // signed 32-bit
    SORTORDERSPEC orders[2] = {{kNameProp, CEDB_SORT_CASEINSENSITIVE}, {number, CEDB_SORT_DESCENDING}};
    ASSERT_NE(CeCreateDatabase(const_cast<LPWSTR>(L"Zahlen"), 0, 2, orders), 0u);
    CEOID id = 0;
    DatabaseHandle byNumber(CeOpenDatabase(&id, const_cast<LPWSTR>(L"Zahlen"), number, CEDB_AUTOINCREMENT, nullptr));
    ASSERT_TRUE(byNumber.valid());
    const std::vector<std::pair<const wchar_t *, long>> rows = {{L"m", 5}, {L"k", -40}, {L"n", 70000}, {L"j", 0}};
    for (const auto &row : rows) {
        CEPROPVAL values[2] = {};
        values[0].propid = kNameProp;
        values[0].val.lpwstr = const_cast<LPWSTR>(row.first);
        values[1].propid = number;
        values[1].val.lVal = row.second;
        ASSERT_NE(CeWriteRecordProps(byNumber.get(), 0, 2, values), 0u);
    }
    WriteTexts(byNumber.get(), 0, {{kNameProp, L"ohne Zahl"}});
    EXPECT_EQ(ReadAllTexts(byNumber.get()), (std::vector<std::wstring>{L"ohne Zahl", L"n", L"m", L"j", L"k"}));

    CEOID sameId = id;
    DatabaseHandle byName(CeOpenDatabase(&sameId, nullptr, kNameProp, CEDB_AUTOINCREMENT, nullptr));
    EXPECT_EQ(ReadAllTexts(byName.get()), (std::vector<std::wstring>{L"j", L"k", L"m", L"n", L"ohne Zahl"}));
    DatabaseHandle unsorted(CeOpenDatabase(&sameId, nullptr, 0, CEDB_AUTOINCREMENT, nullptr));
    EXPECT_EQ(ReadAllTexts(unsorted.get()), (std::vector<std::wstring>{L"m", L"k", L"n", L"j", L"ohne Zahl"}))
        << "sort property 0 walks in the order the records were made";

    CEPROPVAL five = {};
    five.propid = number;
    five.val.lVal = 5;
    EXPECT_NE(CeSeekDatabase(byNumber.get(), CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&five), nullptr), 0u);
    EXPECT_EQ(ReadText(byNumber.get(), kNameProp), L"m");
    CeSeekDatabase(byNumber.get(), CEDB_SEEK_VALUESMALLER, reinterpret_cast<DWORD_PTR>(&five), nullptr);
    EXPECT_EQ(ReadText(byNumber.get(), kNameProp), L"j") << "the largest value below 5";
    CeSeekDatabase(byNumber.get(), CEDB_SEEK_VALUEGREATER, reinterpret_cast<DWORD_PTR>(&five), nullptr);
    EXPECT_EQ(ReadText(byNumber.get(), kNameProp), L"n") << "the smallest value above 5";
}

}  // namespace
