#include "store/settings_store.h"
#include "store/category_filter.h"
#include "support/test_env.h"
#include <gtest/gtest.h>
#include <string>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { UseScratchCurrentUserKey(); }
    void TearDown() override { RestoreCurrentUserKey(); }

    static bool keyExists()
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    static void storeRaw(DWORD type, const void *data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, kCategoryValueName, 0, type, static_cast<const BYTE *>(data), size);
        RegCloseKey(key);
    }
};

TEST_F(SettingsTest, NothingStoredReadsEmptyAndCreatesNoKey)
{
    WCHAR buffer[kFieldCapacity];
    wmemset(buffer, L'x', kFieldCapacity);
    EXPECT_FALSE(settingsStore.readCategoryFilter(buffer));
    EXPECT_STREQ(buffer, L"");
    EXPECT_FALSE(keyExists());
}

TEST_F(SettingsTest, WrittenFilterIsReadBackWithItsTerminator)
{
    settingsStore.writeCategoryFilter(L" - Ohne -");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    RegQueryValueExW(key, kCategoryValueName, nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 20u);
    WCHAR buffer[kFieldCapacity];
    EXPECT_TRUE(settingsStore.readCategoryFilter(buffer));
    EXPECT_STREQ(buffer, L" - Ohne -");
}

TEST_F(SettingsTest, TextsUpTo254CharactersAreReadWhole)
{
    const std::wstring fits(254, L'k');
    settingsStore.writeCategoryFilter(fits.c_str());
    WCHAR buffer[kFieldCapacity];
    EXPECT_TRUE(settingsStore.readCategoryFilter(buffer));
    EXPECT_EQ(std::wstring(buffer), fits);

    const std::wstring tooLong(255, L'k');
    settingsStore.writeCategoryFilter(tooLong.c_str());
    EXPECT_FALSE(settingsStore.readCategoryFilter(buffer));
    EXPECT_STREQ(buffer, L"");
}

TEST_F(SettingsTest, ForeignValuesNeverYieldAnUnterminatedFilter)
{
    WCHAR buffer[kFieldCapacity];
    const DWORD number = 7;
    storeRaw(REG_DWORD, &number, sizeof number);
    EXPECT_FALSE(settingsStore.readCategoryFilter(buffer));
    EXPECT_STREQ(buffer, L"");

    storeRaw(REG_BINARY, "\x41\x00\x42\x00", 4);
    EXPECT_FALSE(settingsStore.readCategoryFilter(buffer));
    EXPECT_STREQ(buffer, L"");

    // 255 characters without a terminator fill all 510 bytes: the registry may refuse them (no
    // room for its terminator) or hand them over; either way the filter is whole and terminated.
    const std::wstring unterminated(255, L'u');
    storeRaw(REG_SZ, unterminated.data(), 510);
    wmemset(buffer, L'x', kFieldCapacity);
    if (settingsStore.readCategoryFilter(buffer))
        EXPECT_EQ(std::wstring(buffer), unterminated);
    else
        EXPECT_STREQ(buffer, L"");

    storeRaw(REG_SZ, L"Ab", 3);  // an odd byte count
    EXPECT_TRUE(settingsStore.readCategoryFilter(buffer));
    EXPECT_STREQ(buffer, L"A");
}

}  // namespace
