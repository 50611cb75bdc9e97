// The three store objects, defined in one place so they are constructed in this order and
// destroyed in the reverse one: settingsStore, categoryDatabase, objectDatabase.
#include "store/category_database.h"
#include "store/object_database.h"
#include "store/settings_store.h"

ObjectDatabase objectDatabase;
CategoryDatabase categoryDatabase;
SettingsStore settingsStore;
