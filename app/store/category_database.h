// The category names the user maintains: property database "Zifferbox-Kategorien", sorted without
// regard to case, one name per record.
#pragma once
#include "objectstore/object_store.h"

class CategoryDatabase {
public:
    CategoryDatabase();
    virtual ~CategoryDatabase();
    CategoryDatabase(const CategoryDatabase &) = delete;
    CategoryDatabase &operator=(const CategoryDatabase &) = delete;

    // True when no database handle could be obtained.
    bool openOrCreate(const WCHAR *databaseName);
    CEOID addCategory(const WCHAR *name);
    // Every name in database order, then " - Alle -" and " - Ohne -", sent with the given messages.
    void fillCategoryList(HWND window, UINT resetMessage, UINT addMessage);
    // Deletes the category at position n of the database's order; true when one was deleted.
    bool deleteCategoryAt(int n);
    // The first record whose name equals the text, ignoring letter case; 0 if none.
    CEOID findCategory(const WCHAR *name);
    // The position in the database's order of the category named exactly `name` (letter case
    // counts), or -1. Sorted lists may order names that differ only in case otherwise.
    int PositionOfCategory(const WCHAR *name);

private:
    HANDLE database_;
    CEOID currentRecord_;
};

extern CategoryDatabase categoryDatabase;
