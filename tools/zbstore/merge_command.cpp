// merge: the objects of another store (a sync tool's conflict copy, a backup, the other
// machine's copy) or of an export into the store, all or nothing, written the way import writes
// (store_writing.h). Two objects are the same when their four fields are; of each, the store
// gets as many as the other file holds more than it does, so duplicates are neither lost nor
// multiplied and a second merge adds nothing. No object of the store is changed or deleted:
// where a name meets other details, both stay and the report lists the pair.
#include <windows.h>
#include <array>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include "commands.h"
#include "console.h"
#include "file_access.h"
#include "objectstore/log_format.h"
#include "store/category_database.h"
#include "store/category_filter.h"
#include "store_contents.h"
#include "store_reading.h"
#include "store_writing.h"
#include "table_import.h"
#include "text_encoding.h"

namespace {

using ObjectKey = std::array<std::u16string, 4>;  // name, serial number, remark, category
// The four fields where a row holds them: matching a full store's objects makes no copies.
using KeyView = std::array<std::u16string_view, 4>;

struct KeyHash {
    size_t operator()(const KeyView &key) const
    {
        size_t hash = 0;
        for (const std::u16string_view field : key)
            hash = hash * 31 + std::hash<std::u16string_view>()(field);
        return hash;
    }
};
using KeyCounts = std::unordered_map<KeyView, size_t, KeyHash>;

KeyView KeyOf(const ObjectRow &row) { return {row.name, row.serialNumber, row.remark, row.category}; }
ObjectKey Owned(const KeyView &key)
{
    return {std::u16string(key[0]), std::u16string(key[1]), std::u16string(key[2]), std::u16string(key[3])};
}

std::wstring Wide(const std::u16string &text) { return std::wstring(text.begin(), text.end()); }

// The objects and category list of the other file, as the import would store them.
struct OtherFile {
    std::vector<ObjectRow> objects;
    std::vector<std::u16string> categories;  // a store's list; a table has none of its own
    std::string source;                      // what it was read as, for the report
};

std::u16string NormalizedCategory(const std::u16string &category)
{
    return IsReservedFilterText(Wide(category).c_str()) ? std::u16string() : category;
}

int ReadOtherFile(const Options &options, OtherFile &other, TableImport &table)
{
    std::string bytes;
    if (!ReadSharedFile(options.target, bytes)) {
        const DWORD error = GetLastError();
        PrintError("Fehler: " + ShownPath(options.target) +
                   (error == ERROR_DIRECTORY ? " ist ein Ordner, kein Speicher und keine Exportdatei."
                                             : " kann nicht gelesen werden: " + SystemMessage(error)) +
                   " Der Speicher ist unverändert.\n");
        return kExitInvalid;
    }
    if (bytes.compare(0, kStoreMagicSize, EncodeStoreHeader(), 0, kStoreMagicSize) == 0) {
        const StoreReading reading = ReadStore(bytes, false);
        if (reading.header != StoreScanStatus::Valid || reading.Damaged()) {
            PrintError("Fehler: " + ShownPath(options.target) + " ist ein beschädigter Zifferbox-Speicher" +
                       (reading.Damaged() ? " (ab Byte " + std::to_string(reading.damage.front().begin) + ": " +
                                                reading.damage.front().reason + ")"
                                          : std::string(" (Kopf, Byte 0 bis 16)")) +
                       "; es wird nichts zusammengeführt. \"zbstore recover --store ANDERE AUSGABE\" rettet seine "
                       "intakten Einträge nach AUSGABE. Der Speicher ist unverändert.\n");
            return kExitInvalid;
        }
        StoreContents contents = ContentsOf(reading.model);
        other.objects = std::move(contents.objects);
        other.categories = std::move(contents.categories);
        other.source = "Zifferbox-Speicher";
    } else {
        if (const int refused = ReadObjectTable(options.target, bytes, table))
            return refused;
        other.objects = table.rows;
        other.source = TableSource(table);
    }
    for (ObjectRow &row : other.objects)
        row.category = NormalizedCategory(row.category);
    return kExitDone;
}

// Category names as the store's list spells them, matched as the program's findCategory
// matches a typed name; names added meanwhile are known by the spelling they were added with.
class ListedCategories {
public:
    ListedCategories(const StoreModel &model, CategoryDatabase &categories) : model_(model), categories_(categories) {}

    // The list's spelling of name, or empty when the list lacks it.
    std::u16string Spelling(const std::u16string &name)
    {
        if (name.empty())
            return name;
        const auto known = found_.find(name);
        if (known != found_.end())
            return known->second;
        if (missing_.count(name))
            return std::u16string();
        const CEOID record = categories_.findCategory(Wide(name).c_str());
        if (record == 0) {
            missing_.insert(name);
            return std::u16string();
        }
        const auto added = added_.find(record);
        return found_[name] = added != added_.end() ? added->second : NameOfRecord(model_, record);
    }
    // The spelling an object with this category gets.
    std::u16string Of(const std::u16string &name)
    {
        const std::u16string listed = Spelling(name);
        return listed.empty() ? name : listed;
    }
    bool Add(const std::u16string &name)
    {
        const CEOID record = categories_.addCategory(Wide(name).c_str());
        if (record == 0)
            return false;
        added_[record] = name;
        missing_.clear();  // the added name may be what they lacked
        return true;
    }

private:
    const StoreModel &model_;
    CategoryDatabase &categories_;
    std::map<std::u16string, std::u16string> found_;
    std::set<std::u16string> missing_;
    std::map<CEOID, std::u16string> added_;
};

struct MergePlan {
    std::vector<ObjectRow> added;
    size_t present = 0;
    std::vector<std::pair<ObjectKey, ObjectKey>> sameName;  // the store's version, the added one
    size_t sameNameCount = 0;
};

CopyEdit MergeInto(OtherFile &other, const StoreModel &model, ObjectDatabase &objects,
                   CategoryDatabase &categories, StoreChange &change, MergePlan &plan)
{
    ListedCategories listed(model, categories);
    std::vector<ObjectRow> stored = ContentsOf(model).objects;
    for (ObjectRow &row : stored)
        row.category = listed.Of(NormalizedCategory(row.category));
    KeyCounts inStore(stored.size());
    for (const ObjectRow &row : stored)
        ++inStore[KeyOf(row)];
    // The other list's names come along, also those no object uses.
    for (const std::u16string &name : other.categories) {
        const std::u16string category = NormalizedCategory(name);
        if (!category.empty() && listed.Spelling(category).empty()) {
            if (!listed.Add(category))
                return CopyEdit::Failed;
            ++change.newCategories;
        }
    }
    for (ObjectRow &row : other.objects)
        row.category = listed.Of(row.category);
    KeyCounts seen(other.objects.size());
    for (const ObjectRow &row : other.objects) {
        const KeyView key = KeyOf(row);
        const auto inside = inStore.find(key);
        if (++seen[key] <= (inside == inStore.end() ? 0 : inside->second))
            ++plan.present;
        else
            plan.added.push_back(row);
    }
    // Each added object against the store's objects of its name that differ from it.
    std::unordered_map<std::u16string_view, std::set<KeyView>> versions;
    for (const ObjectRow &row : plan.added)
        versions[row.name];
    for (const ObjectRow &row : stored) {
        const auto named = versions.find(row.name);
        if (named != versions.end())
            named->second.insert(KeyOf(row));
    }
    std::set<KeyView> listedPairs;
    for (const ObjectRow &row : plan.added) {
        const KeyView key = KeyOf(row);
        if (!listedPairs.insert(key).second)
            continue;
        for (const KeyView &version : versions[row.name]) {
            if (version == key)
                continue;  // an identical copy: one more of a duplicate
            if (plan.sameName.size() < kMaxReportedProblems)
                plan.sameName.emplace_back(Owned(version), Owned(key));
            ++plan.sameNameCount;
        }
    }
    if (plan.added.empty() && change.newCategories == 0)
        return CopyEdit::Unchanged;
    return WriteObjectRows(objects, categories, plan.added, change) ? CopyEdit::Changed : CopyEdit::Failed;
}

std::string Count(size_t n, const char *one, const char *many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

std::string Quoted(const std::u16string &text) { return "\"" + ToUtf8(text) + "\""; }

std::string Details(const ObjectKey &key)
{
    return "Seriennummer " + Quoted(key[1]) + ", Bemerkung " + Quoted(key[2]) + ", Kategorie " + Quoted(key[3]);
}

std::string SameNameLines(const MergePlan &plan, bool dryRun)
{
    if (plan.sameNameCount == 0)
        return std::string();
    std::string lines = "gleicher Name, andere Angaben: " + Count(plan.sameNameCount, "Paar", "Paare") +
                        " (beide Fassungen bleiben; entscheiden Sie in Zifferbox, welche gilt)\n";
    for (const auto &pair : plan.sameName) {
        lines += "  " + Quoted(pair.first[0]) + "\n    im Speicher:  " + Details(pair.first) + "\n    " +
                 (dryRun ? "käme hinzu:   " : "hinzugefügt:  ") + Details(pair.second) + "\n";
        if (SpreadsheetRewrote(pair.first[1], pair.second[1]))
            lines += "    Die Seriennummern unterscheiden sich so, wie eine Tabellenkalkulation sie umschreibt.\n";
    }
    if (plan.sameNameCount > plan.sameName.size())
        lines += "  und " + std::to_string(plan.sameNameCount - plan.sameName.size()) + " weitere Paare\n";
    return lines;
}

}  // namespace

int RunMerge(const Options &options)
{
    // The store's own file, by whatever path: everything in it is there already.
    if (SameFile(options.target, options.store)) {
        Print(ShownPath(options.target) + " ist die Speicherdatei selbst; es gibt nichts zusammenzuführen. "
              "Der Speicher bleibt unverändert.\n");
        return kExitDone;
    }
    OtherFile other;
    TableImport table;
    if (const int refused = ReadOtherFile(options, other, table))
        return refused;

    MergePlan plan;
    StoreEdit edit;
    edit.thenDo = "führen Sie dann zusammen";
    edit.refused = "es wird nichts zusammengeführt";
    edit.write = [&](const StoreModel &model, ObjectDatabase &objects, CategoryDatabase &categories, StoreChange &change) {
        return MergeInto(other, model, objects, categories, change, plan);
    };
    StoreChange change;
    bool changed = false;
    if (const int failed = EditStoreThroughCopy(options, edit, change, changed))
        return failed;
    const bool dry = options.dryRun;
    std::string report = std::string(dry ? "Probelauf: " : "") + "Aus " + ShownPath(options.target) + " (" +
                         other.source + ", " + Count(other.objects.size(), "Objekt", "Objekte") + "): " +
                         Count(plan.added.size(), "Objekt", "Objekte") +
                         (dry ? " würden hinzugefügt, " : " hinzugefügt, ") + std::to_string(plan.present) +
                         " schon vorhanden, " + Count(change.newCategories, "neue Kategorie", "neue Kategorien") + ".\n";
    if (!changed)
        report += "Der Speicher bleibt unverändert.\n";
    report += SameNameLines(plan, dry);
    report += TableReport(table, "Von einer Tabellenkalkulation umgeschrieben und so übernommen, wie es in der Datei steht");
    Print(report);
    return kExitDone;
}
