#include "store_contents.h"
#include <set>
#include "store/object_database.h"

const wchar_t kObjectDatabaseName[] = L"Zifferbox";
const wchar_t kCategoryDatabaseName[] = L"Zifferbox-Kategorien";

std::u16string PropertyText(const PackedProperties &properties, CEPROPID propid)
{
    PropertyRef property;
    if (!properties.Find(propid, property))
        return std::u16string();
    std::u16string text(property.size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(property.data[2 * i]) |
                                        static_cast<unsigned char>(property.data[2 * i + 1]) << 8);
    return text;
}

namespace {

std::u16string Text(const Record &record, CEPROPID propid) { return PropertyText(record.properties, propid); }

const Database *DatabaseNamed(const StoreModel &model, const wchar_t *name)
{
    for (const auto &entry : model.databases)
        if (entry.second.name == name)
            return &entry.second;
    return nullptr;
}

// The database's records in the order of its sort on propid, else in creation order.
const std::vector<Record *> &OrderBy(const Database &database, CEPROPID propid)
{
    size_t index = 0;
    database.IndexOf(propid, index);
    return database.indexes[index].order;
}

}  // namespace

StoreContents ContentsOf(const StoreModel &model)
{
    StoreContents contents;
    std::set<std::u16string> listed;
    if (const Database *categories = DatabaseNamed(model, kCategoryDatabaseName)) {
        for (const Record *record : OrderBy(*categories, PROP_CATEGORY)) {
            PropertyRef name;
            if (!record->properties.Find(PROP_CATEGORY, name))
                continue;  // no name: not offered by the program either
            contents.categories.push_back(Text(*record, PROP_CATEGORY));
            listed.insert(contents.categories.back());
        }
    }
    if (const Database *objects = DatabaseNamed(model, kObjectDatabaseName)) {
        for (const Record *record : OrderBy(*objects, PROP_NAME)) {
            ObjectRow row;
            row.name = Text(*record, PROP_NAME);
            row.serialNumber = Text(*record, PROP_SERIAL_NUMBER);
            row.remark = Text(*record, PROP_REMARK);
            row.category = Text(*record, PROP_CATEGORY);
            if (!row.category.empty() && !listed.count(row.category))
                ++contents.unlistedCategoryObjects;
            contents.objects.push_back(std::move(row));
        }
    }
    return contents;
}

size_t ObjectCountOf(const StoreModel &model)
{
    const Database *objects = DatabaseNamed(model, kObjectDatabaseName);
    return objects ? objects->replayedRecords : 0;
}

std::u16string NameOfRecord(const StoreModel &model, CEOID record)
{
    const Record *found = model.FindRecord(record);
    if (!found)
        return std::u16string();
    const std::u16string name = Text(*found, PROP_NAME);
    return name.empty() ? Text(*found, PROP_CATEGORY) : name;
}
