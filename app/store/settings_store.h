// The one setting that survives a restart: the last chosen category filter, in the registry.
#pragma once
#include <windows.h>

class SettingsStore {
public:
    SettingsStore() = default;
    virtual ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // Reads the stored filter into a buffer of 256 characters; false (and empty text) when none.
    bool readCategoryFilter(WCHAR *buffer);
    void writeCategoryFilter(const WCHAR *text);
};

extern const WCHAR kSettingsKey[];        // "Software\Brenvo\Zifferbox" under HKEY_CURRENT_USER
extern const WCHAR kCategoryValueName[];  // "Kategorie"
extern SettingsStore settingsStore;
