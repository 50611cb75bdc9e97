// Registry filter values of every type and size, written by anyone: the settings store hands
// back a terminated text of at most 255 characters or nothing, and the main window starts with a
// filter that is one of its drop-down's entries.
#include <gtest/gtest.h>
#include <algorithm>
#include <iostream>
#include "shell/application.h"
#include "shell/main_window.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include "store/settings_store.h"
#include "app_support/main_window_session.h"
#include "support/test_env.h"

namespace {

void StoreRawFilter(DWORD type, const std::string &bytes)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, kCategoryValueName, 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Value bytes: `size` bytes of UTF-16 'K's, with a terminator in the last two when asked.
std::string ValueBytes(size_t size, bool terminated)
{
    std::string bytes;
    for (size_t i = 0; i < size; ++i)
        bytes.push_back(i % 2 == 0 ? 'K' : '\0');
    if (terminated && size >= 2)
        bytes[size - 2] = bytes[size - 1] = '\0';
    return bytes;
}

TEST(HostileFilter, EveryTypeAndSizeGivesATerminatedFilterOrNone)
{
    const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE};
    const size_t sizes[] = {0, 1, 2, 3, 7, 6, 508, 509, 510, 511, 512, 4096};
    unsigned cases = 0;
    for (DWORD type : types) {
        for (size_t size : sizes) {
            for (bool terminated : {false, true}) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", " << size << " bytes"
                                                << (terminated ? ", terminated" : ""));
                const std::string bytes = ValueBytes(size, terminated);
                ++cases;
                {
                    UseScratchCurrentUserKey();
                    StoreRawFilter(type, bytes);
                    // Room beyond the 256 characters shows any write past them.
                    WCHAR buffer[kFieldCapacity + 64];
                    wmemset(buffer, L'#', kFieldCapacity + 64);
                    const bool read = settingsStore.readCategoryFilter(buffer);
                    RestoreCurrentUserKey();
                    for (int i = kFieldCapacity; i < kFieldCapacity + 64; ++i)
                        ASSERT_EQ(buffer[i], L'#') << "written past the buffer at " << i;
                    const size_t length = wcsnlen(buffer, kFieldCapacity);
                    ASSERT_LT(length, static_cast<size_t>(kFieldCapacity)) << "no terminator";
                    if (!read) {
                        EXPECT_EQ(length, 0u);
                    } else {
                        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "a value that is not text was taken";
                        EXPECT_EQ(std::wstring(buffer), std::wstring(length, L'K'));
                        EXPECT_LE(length, std::min<size_t>(size / 2, 255));
                    }
                }
                MainWindowSession started({}, {L"KKK"}, nullptr, [&] { StoreRawFilter(type, bytes); });
                ASSERT_TRUE(started.created());
                const std::wstring shown = ComboSelection(filterCombo);
                EXPECT_NE(shown, L"<none>");
                EXPECT_LT(wcsnlen(categoryFilter, kFieldCapacity), static_cast<size_t>(kFieldCapacity));
                EXPECT_EQ(std::wstring(categoryFilter), shown) << "the filter is not an entry of the drop-down";
                if (HasFailure())
                    return;
            }
        }
    }
    // The one stored text that names an entry is taken.
    MainWindowSession started({}, {L"KKK"}, nullptr, [] { StoreRawFilter(REG_SZ, ValueBytes(8, true)); });
    EXPECT_EQ(ComboSelection(filterCombo), L"KKK");
    EXPECT_STREQ(categoryFilter, L"KKK");
    std::cout << cases << " registry values read and started with\n";
}

}  // namespace
