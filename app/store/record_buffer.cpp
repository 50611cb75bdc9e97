#include "store/record_buffer.h"
#include "store/category_filter.h"

RecordBuffer::~RecordBuffer()
{
    if (buffer_)
        LocalFree(buffer_);
}

CEOID RecordBuffer::ReadNext(HANDLE database)
{
    propertyCount_ = 0;
    CEOID record = CeReadRecordProps(database, CEDB_ALLOWREALLOC, &propertyCount_, nullptr, &buffer_, &size_);
    if (record == 0)
        propertyCount_ = 0;
    return record;
}

bool RecordBuffer::CopyText(CEPROPID propid, WCHAR *field) const
{
    field[0] = L'\0';
    const CEPROPVAL *values = reinterpret_cast<const CEPROPVAL *>(buffer_);
    for (WORD i = 0; i < propertyCount_; ++i) {
        if (values[i].propid != propid || (values[i].wFlags & CEDB_PROPNOTFOUND))
            continue;
        // A foreign or damaged store may hold longer texts: the field takes 255 characters at most.
        CopyField(field, values[i].val.lpwstr);
        return true;
    }
    return false;
}

CEOID WriteTextRecord(HANDLE database, CEOID record, WORD count, const CEPROPID *propids, const WCHAR *const *texts)
{
    CEPROPVAL values[4] = {};
    if (count > 4)
        return 0;
    for (WORD i = 0; i < count; ++i) {
        values[i].propid = propids[i];
        values[i].wLenData = 0;
        values[i].wFlags = 0;
        values[i].val.lpwstr = const_cast<LPWSTR>(texts[i]);
    }
    return CeWriteRecordProps(database, record, count, values);
}
