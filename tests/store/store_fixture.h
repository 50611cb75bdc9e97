// Each test gets a fresh store file and a scratch registry, with both databases opened as the
// program opens them, and an unsorted list box like the main window's.
#pragma once
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store/object_database.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes an object and returns its record.
    CEOID add(const wchar_t *name, const wchar_t *category = L"", const wchar_t *serial = L"S-1",
              const wchar_t *remark = L"");
    void setFilter(const wchar_t *filter);
    // The names the main list would show under the current filter.
    std::vector<std::wstring> listed();
    // The texts a control received from fillCategoryList, in the order sent.
    std::vector<std::wstring> categoriesSent();

    HWND list = nullptr;
    std::wstring storePath;
};

std::wstring ListText(HWND list, int index);
