// The handles of open databases and their cursors: where a cursor stands as records come, go and
// move, and where each kind of seek takes it.
#pragma once
#include <windows.h>
#include <map>
#include "objectstore/model.h"

// One open database with its cursor. cursorRecord 0: at the end (nothing to read).
struct OpenDatabase {
    CEOID database = 0;
    size_t index = 0;  // of the database's indexes: the order the handle reads in
    DWORD flags = 0;
    CEOID cursorRecord = 0;
    size_t cursorPosition = 0;
};

// The open databases by handle. Handles are our own numbers, never system handles.
class HandleTable {
public:
    HANDLE Add(const OpenDatabase &open);
    // Null with ERROR_INVALID_HANDLE set when the handle is not open.
    OpenDatabase *Find(HANDLE handle);
    bool Remove(HANDLE handle);
    bool Empty() const { return open_.empty(); }
    bool IsDatabaseOpen(CEOID database) const;

private:
    std::map<HANDLE, OpenDatabase> open_;
    UINT_PTR last_ = 0x5A00;
};

// Where the cursor is now, in its index; the index size when at the end. A record that moved
// is followed; when the cursor's record was deleted the cursor stands on the one that took its
// place.
size_t CursorPosition(OpenDatabase &open, const StoreModel &model, const Database &database);
void SetCursor(OpenDatabase &open, const Database &database, size_t position);
// The position a seek reaches, or the record count when it reaches none (error set for a bad
// seek type or value). dwValue as CeSeekDatabase takes it.
size_t SeekPosition(OpenDatabase &open, const StoreModel &model, const Database &database, DWORD seekType,
                    DWORD_PTR dwValue);
