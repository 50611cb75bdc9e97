// The device's property databases, provided by our own store with the device API's names and
// shapes. All databases of the user live in one file (see StoreFilePath); every write and delete
// that reports success is on disk before it returns.
#pragma once
#include <windows.h>
#include <string>
#include "objectstore/store_types.h"  // CEOID, CEPROPID, CEVT_*, SORTORDERSPEC, the sort flags

struct CEBLOB {
    DWORD dwCount;
    LPBYTE lpb;
};

union CEVALUNION {
    short iVal;
    USHORT uiVal;
    long lVal;
    ULONG ulVal;
    FILETIME filetime;
    LPWSTR lpwstr;
    CEBLOB blob;
    BOOL boolVal;
    double dblVal;
};

struct CEPROPVAL {
    CEPROPID propid;
    WORD wLenData;
    WORD wFlags;
    CEVALUNION val;
};

// Flags of a property value.
constexpr WORD CEDB_PROPNOTFOUND = 0x0400;  // set by a read when the record lacks the property
constexpr WORD CEDB_PROPDELETE = 0x0200;    // on a write: remove this property from the record

// Open flag: each read advances the cursor to the next record.
constexpr DWORD CEDB_AUTOINCREMENT = 0x1;

// Seek types.
constexpr DWORD CEDB_SEEK_CEOID = 0x1;
constexpr DWORD CEDB_SEEK_BEGINNING = 0x2;
constexpr DWORD CEDB_SEEK_END = 0x4;
constexpr DWORD CEDB_SEEK_CURRENT = 0x8;
constexpr DWORD CEDB_SEEK_VALUESMALLER = 0x10;
constexpr DWORD CEDB_SEEK_VALUEFIRSTEQUAL = 0x20;
constexpr DWORD CEDB_SEEK_VALUEGREATER = 0x40;
constexpr DWORD CEDB_SEEK_VALUENEXTEQUAL = 0x80;

// Read flag: the service may allocate or grow the caller's buffer (LocalAlloc/LocalReAlloc).
constexpr DWORD CEDB_ALLOWREALLOC = 0x1;

constexpr WORD OBJTYPE_INVALID = 0;
constexpr WORD OBJTYPE_DATABASE = 3;
constexpr WORD OBJTYPE_RECORD = 4;

struct CEDBASEINFO {
    DWORD dwFlags;
    WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
    DWORD dwDbaseType;
    WORD wNumRecords;
    WORD wNumSortOrder;
    DWORD dwSize;
    FILETIME ftLastModified;
    SORTORDERSPEC rgSortSpecs[CEDB_MAXSORTORDER];
};

struct CERECORDINFO {
    CEOID oidParent;
};

struct CEOIDINFO {
    WORD wObjType;
    WORD wPad;
    union {
        CEDBASEINFO infDatabase;
        CERECORDINFO infRecord;
    };
};

// With *poid 0 and a name: opens by name and returns the database's identifier through *poid.
// With no name: opens the database whose identifier *poid holds. Returns INVALID_HANDLE_VALUE on
// failure. The cursor starts before the first record in the order of propid.
HANDLE CeOpenDatabase(PCEOID poid, LPWSTR lpszName, CEPROPID propid, DWORD dwFlags, HWND hwndNotify);
CEOID CeCreateDatabase(LPWSTR lpszName, DWORD dwDbaseType, WORD wNumSortOrder, SORTORDERSPEC *rgSortSpecs);
BOOL CeDeleteDatabase(CEOID oidDbase);
// Returns the record reached (0 if none); *lpdwIndex, when given, receives its position.
// dwValue is a DWORD_PTR because the value seeks pass a CEPROPVAL pointer in it, which on this
// 64-bit build does not fit the device's 32 bits.
CEOID CeSeekDatabase(HANDLE hDatabase, DWORD dwSeekType, DWORD_PTR dwValue, LPDWORD lpdwIndex);
// Reads the record at the cursor. rgPropID null: all properties. The buffer holds the CEPROPVALs
// followed by the data they point to; the caller frees it with LocalFree.
CEOID CeReadRecordProps(HANDLE hDbase, DWORD dwFlags, LPWORD lpcPropID, CEPROPID *rgPropID,
                        LPBYTE *lplpBuffer, LPDWORD lpcbBuffer);
// oidRecord 0 makes a new record; otherwise the given properties of that record are replaced.
CEOID CeWriteRecordProps(HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL *rgPropVal);
BOOL CeDeleteRecord(HANDLE hDatabase, CEOID oidRecord);
BOOL CeOidGetInfo(CEOID oid, CEOIDINFO *oidInfo);
// The device closes a database with CloseHandle; our store's handles are its own.
BOOL CeCloseDatabase(HANDLE hDatabase);

// Where the store file lives: %ZIFFERBOX_OBJECT_STORE% when set, else
// <local application data>\Zifferbox\objectstore.zbs.
bool StoreFilePath(WCHAR *path, DWORD capacity);

// What our store tells of itself beyond the device's calls: why it refuses every change.
enum class StoreCondition {
    Writable,
    ChangedOutside,     // another program replaced or changed the file (ERROR_FILE_INVALID)
    OpenedWithoutRoom,  // its torn end could not be kept aside on a full disk (ERROR_DISK_FULL)
};
// The condition of this process's store; Writable while it is not open.
StoreCondition QueryStoreCondition();

struct StoreFileOps;
// Puts a store built on the given file operations behind these calls, so a test can make the
// file fail (RealStoreFileOps() for the real ones), opened at path (empty: StoreFilePath's), so
// a tool can work on a store file of its choosing. A store that is open is read again on them;
// open handles stay valid, as they name databases and records by identifier.
void InstallProcessStore(const StoreFileOps &ops, const std::wstring &path = std::wstring());
