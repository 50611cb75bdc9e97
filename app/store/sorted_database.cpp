#include "store/sorted_database.h"

HANDLE OpenOrCreateSortedDatabase(const WCHAR *databaseName, CEPROPID sortProperty, CEOID *identifier)
{
    WCHAR name[CEDB_MAXDBASENAMELEN];
    lstrcpynW(name, databaseName, CEDB_MAXDBASENAMELEN);
    *identifier = 0;
    HANDLE database = CeOpenDatabase(identifier, name, sortProperty, CEDB_AUTOINCREMENT, nullptr);
    if (database == INVALID_HANDLE_VALUE) {
        SORTORDERSPEC byProperty = {sortProperty, CEDB_SORT_CASEINSENSITIVE};
        *identifier = CeCreateDatabase(name, 0, 1, &byProperty);
        database = CeOpenDatabase(identifier, nullptr, sortProperty, CEDB_AUTOINCREMENT, nullptr);
    }
    return database;
}
