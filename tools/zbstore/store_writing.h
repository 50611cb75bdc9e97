// The one way zbstore changes a store, shared by import and merge: a copy of the store's whole
// entries is written through the program's own store classes, flushed, read back and checked,
// and only then renamed over the store. Zifferbox must not hold the store meanwhile; a dry run
// writes its copy in the temporary folder instead, takes no lock and leaves the store alone.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "commands.h"
#include "object_row.h"
#include "objectstore/model.h"

class CategoryDatabase;
class ObjectDatabase;

struct StoreChange {
    size_t objects = 0;        // objects written
    size_t newCategories = 0;  // names added to the category list
};

enum class CopyEdit { Failed, Unchanged, Changed };

struct StoreEdit {
    const char *thenDo;   // what the user does once Zifferbox has ended: "importieren Sie dann"
    const char *refused;  // what damage of the store stops: "es wird nichts importiert"
    // Writes into the copy; model is the store as the copy begins. Unchanged leaves the store
    // file untouched; Failed with the Win32 error set (ERROR_DISK_FULL: already reported).
    std::function<CopyEdit(const StoreModel &model, ObjectDatabase &objects, CategoryDatabase &categories,
                           StoreChange &change)>
        write;
};

// Runs edit on a copy of options.store and puts the copy in its place (not with --dry-run).
// Returns the exit code, the failure reported; changed tells whether the store was (or, in a dry
// run, would be) rewritten. The store file is as before unless the whole change succeeded.
int EditStoreThroughCopy(const Options &options, const StoreEdit &edit, StoreChange &change, bool &changed);

// Writes the rows as new objects, each category the list lacks added first, as the program's
// object editor does; the filter's reserved texts are no category. Refuses (ERROR_DISK_FULL,
// reported) when the store would pass its capacity.
bool WriteObjectRows(ObjectDatabase &objects, CategoryDatabase &categories, const std::vector<ObjectRow> &rows,
                     StoreChange &change);
