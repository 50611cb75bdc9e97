// The objects and categories of a store model as the program shows them: objects in its name
// order, categories in the category list's order.
#pragma once
#include <string>
#include <vector>
#include "objectstore/model.h"
#include "object_row.h"

extern const wchar_t kObjectDatabaseName[];    // "Zifferbox"
extern const wchar_t kCategoryDatabaseName[];  // "Zifferbox-Kategorien"

struct StoreContents {
    std::vector<ObjectRow> objects;
    std::vector<std::u16string> categories;
    size_t unlistedCategoryObjects = 0;  // objects whose category is not in the list
};

StoreContents ContentsOf(const StoreModel &model);
// How many objects the model holds; its indexes need not be sorted yet.
size_t ObjectCountOf(const StoreModel &model);
// A text property's characters (stored as UTF-16LE bytes); empty when the record lacks it.
std::u16string PropertyText(const PackedProperties &properties, CEPROPID propid);
// The name a record had in the model, or empty.
std::u16string NameOfRecord(const StoreModel &model, CEOID record);
