#include "store_fixture.h"
#include "app_support/main_window_session.h"

using Names = std::vector<std::wstring>;

namespace {
struct Fields {
    wchar_t name[FIELD_CAPACITY], serial[FIELD_CAPACITY], remark[FIELD_CAPACITY], category[FIELD_CAPACITY];
};

Fields Read(int n)
{
    Fields f;
    objectDatabase.readFilteredObject(n, f.name, f.serial, f.remark, f.category);
    return f;
}
}  // namespace

TEST_F(StoreTest, EmptyDatabaseListsNothingAndReadsEmptyFields)
{
    EXPECT_TRUE(listed().empty());
    const Fields f = Read(0);
    EXPECT_STREQ(f.name, L"");
    EXPECT_STREQ(f.category, L"");
    EXPECT_EQ(objectDatabase.currentObject(), 0u);
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 0);
    EXPECT_EQ(objectDatabase.objectCount(), 0);
}

TEST_F(StoreTest, NamesAreListedInCaseInsensitiveOrderWithDuplicates)
{
    add(L"beta");
    add(L"Alpha");
    add(L"gamma");
    add(L"alpha");
    const Names names = listed();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[2], L"beta");
    EXPECT_EQ(names[3], L"gamma");
    // Equal names keep the order they were written in.
    EXPECT_EQ(names[0], L"Alpha");
    EXPECT_EQ(names[1], L"alpha");
    EXPECT_STREQ(Read(1).name, L"alpha");
    EXPECT_EQ(objectDatabase.objectCount(), 4);
}

TEST_F(StoreTest, FiltersSelectByCategoryExactlyAndCaseSensitively)
{
    add(L"a-none", L"");
    add(L"b-soft", L"Software");
    add(L"c-soft-lower", L"software");
    add(L"d-alle", L" - Alle -");
    add(L"e-hard", L"Hardware");
    // A record written without the category property counts as one without category.
    CEPROPVAL nameOnly[2] = {};
    nameOnly[0].propid = PROP_NAME;
    nameOnly[0].val.lpwstr = const_cast<LPWSTR>(L"f-missing");
    nameOnly[1].propid = PROP_SERIAL_NUMBER;
    nameOnly[1].val.lpwstr = const_cast<LPWSTR>(L"1");
    CEOID id = 0;
    HANDLE raw = CeOpenDatabase(&id, const_cast<LPWSTR>(L"Zifferbox"), PROP_NAME, CEDB_AUTOINCREMENT, nullptr);
    ASSERT_NE(raw, INVALID_HANDLE_VALUE);
    ASSERT_NE(CeWriteRecordProps(raw, 0, 2, nameOnly), 0u);
    CeCloseDatabase(raw);

    const struct {
        const wchar_t *filter;
        Names expected;
    } cases[] = {
        {L" - Alle -", {L"a-none", L"b-soft", L"c-soft-lower", L"d-alle", L"e-hard", L"f-missing"}},
        {L" - Ohne -", {L"a-none", L"f-missing"}},
        {L"Software", {L"b-soft"}},
        {L"software", {L"c-soft-lower"}},
        {L"", {L"a-none", L"f-missing"}},
        {L"Unbekannt", {}},
    };
    for (const auto &c : cases) {
        setFilter(c.filter);
        EXPECT_EQ(listed(), c.expected) << "filter '" << std::wstring(c.filter).c_str() << "'";
        // Reading by list position counts the same passing records.
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(std::wstring(Read(static_cast<int>(i)).name), c.expected[i]);
        EXPECT_STREQ(Read(static_cast<int>(c.expected.size())).name, L"");
        EXPECT_EQ(objectDatabase.currentObject(), 0u);
    }
}

TEST_F(StoreTest, ReadMakesTheRecordCurrentAndPositionsFollowIt)
{
    add(L"Anton", L"A");
    const CEOID bert = add(L"Bert", L"B");
    add(L"Cäsar", L"A");
    setFilter(L"A");
    const Fields f = Read(1);
    EXPECT_STREQ(f.name, L"Cäsar");
    EXPECT_STREQ(f.serial, L"S-1");
    EXPECT_STREQ(f.category, L"A");
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 1);
    EXPECT_STREQ(Read(-1).name, L"");
    EXPECT_EQ(objectDatabase.currentObject(), 0u);

    // A new record outside the filter sits one past the last listed position.
    const CEOID outside = add(L"Aaron", L"B");
    EXPECT_EQ(objectDatabase.currentObject(), outside);
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 2);
    setFilter(L" - Alle -");
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 0);
    Read(2);
    EXPECT_EQ(objectDatabase.currentObject(), bert);
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 2);
}

TEST_F(StoreTest, OverwriteReplacesTheCurrentRecordAndMovesItInNameOrder)
{
    add(L"Anton");
    add(L"Bert");
    Read(0);
    const CEOID anton = objectDatabase.currentObject();
    EXPECT_EQ(objectDatabase.overwriteCurrentObject(L"Zeppelin", L"Z-9", L"neu", L""), anton);
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 1);
    // Filling the list leaves the first record current.
    EXPECT_EQ(listed(), (Names{L"Bert", L"Zeppelin"}));
    EXPECT_EQ(objectDatabase.indexOfCurrentObject(), 0);
    const Fields f = Read(1);
    EXPECT_STREQ(f.serial, L"Z-9");
    EXPECT_STREQ(f.remark, L"neu");
    EXPECT_EQ(objectDatabase.objectCount(), 2);
}

TEST_F(StoreTest, DeleteRemovesThePassingRecordAtAPositionOnly)
{
    add(L"Anton", L"A");
    add(L"Bert", L"B");
    add(L"Cäsar", L"A");
    setFilter(L"A");
    objectDatabase.deleteFilteredObject(-1);
    objectDatabase.deleteFilteredObject(2);
    EXPECT_EQ(objectDatabase.objectCount(), 3);
    objectDatabase.deleteFilteredObject(1);
    EXPECT_EQ(objectDatabase.currentObject(), 0u);
    // With no current record an overwrite makes a new object instead of changing another.
    EXPECT_NE(objectDatabase.overwriteCurrentObject(L"Dora", L"1", L"", L"A"), 0u);
    EXPECT_EQ(listed(), (Names{L"Anton", L"Dora"}));
    setFilter(L" - Alle -");
    EXPECT_EQ(listed(), (Names{L"Anton", L"Bert", L"Dora"}));
}

TEST_F(StoreTest, LongStoredTextsAreCutToTheFieldSize)
{
    const std::wstring longName(400, L'n');
    const std::wstring longRemark(300, L'r');
    add(longName.c_str(), L"", L"1", longRemark.c_str());
    const Fields f = Read(0);
    EXPECT_EQ(std::wstring(f.name), std::wstring(255, L'n'));
    EXPECT_EQ(std::wstring(f.remark), std::wstring(255, L'r'));
    EXPECT_EQ(listed(), (Names{std::wstring(255, L'n')}));
}

TEST_F(StoreTest, ObjectsSurviveReopeningTheStore)
{
    add(L"Bleibt", L"Kat", L"123-456", L"Bemerkung mit Ümlaut");
    ResetStoreGlobals();
    setFilter(L" - Alle -");
    ASSERT_FALSE(objectDatabase.openOrCreate(L"Zifferbox"));
    const Fields f = Read(0);
    EXPECT_STREQ(f.name, L"Bleibt");
    EXPECT_STREQ(f.serial, L"123-456");
    EXPECT_STREQ(f.remark, L"Bemerkung mit Ümlaut");
    EXPECT_STREQ(f.category, L"Kat");
}
