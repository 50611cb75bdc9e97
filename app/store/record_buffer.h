// One record read from a property database, in the buffer the service allocates.
#pragma once
#include "objectstore/object_store.h"

class RecordBuffer {
public:
    RecordBuffer() = default;
    ~RecordBuffer();
    RecordBuffer(const RecordBuffer &) = delete;
    RecordBuffer &operator=(const RecordBuffer &) = delete;

    // Reads the record at the database's cursor (all properties); returns its identifier, 0 at the end.
    CEOID ReadNext(HANDLE database);
    // Copies the text of property `propid` into a 256-character field; empty and false when the
    // record lacks it.
    bool CopyText(CEPROPID propid, WCHAR *field) const;

private:
    LPBYTE buffer_ = nullptr;
    DWORD size_ = 0;
    WORD propertyCount_ = 0;
};

// Writes {propid, length 0, flags 0, text} values of the given texts in the given order.
CEOID WriteTextRecord(HANDLE database, CEOID record, WORD count, const CEPROPID *propids, const WCHAR *const *texts);
