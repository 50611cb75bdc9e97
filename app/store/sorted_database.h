// Opening the property databases, each sorted by one text property without regard to case.
#pragma once
#include "objectstore/object_store.h"

// Opens the database `databaseName` sorted by `sortProperty`, creating it first when it does not
// exist; its identifier goes to *identifier. INVALID_HANDLE_VALUE when neither works.
HANDLE OpenOrCreateSortedDatabase(const WCHAR *databaseName, CEPROPID sortProperty, CEOID *identifier);
