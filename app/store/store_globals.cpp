// The three store objects, defined in one file so that they are constructed in the order written
// here (objectDatabase, categoryDatabase, settingsStore) and destroyed in the reverse one.
#include "store/category_database.h"
#include "store/object_database.h"
#include "store/settings_store.h"

ObjectDatabase objectDatabase;
CategoryDatabase categoryDatabase;
SettingsStore settingsStore;
