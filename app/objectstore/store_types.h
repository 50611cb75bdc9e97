// The object store's own types and flags, with the device API's names: what the public calls in
// object_store.h and the store's internals (file format, model, replay) share. Fixed-width
// integers only, no windows.h, so the format and the model build natively for fuzzing.
#pragma once
#include <cstdint>

typedef uint32_t CEOID;
typedef CEOID *PCEOID;
typedef uint32_t CEPROPID;

// Property types: the low 16 bits of a property identifier.
constexpr uint16_t CEVT_I2 = 2;
constexpr uint16_t CEVT_I4 = 3;
constexpr uint16_t CEVT_R8 = 5;
constexpr uint16_t CEVT_BOOL = 11;
constexpr uint16_t CEVT_UI2 = 18;
constexpr uint16_t CEVT_UI4 = 19;
constexpr uint16_t CEVT_LPWSTR = 31;
constexpr uint16_t CEVT_FILETIME = 64;
constexpr uint16_t CEVT_BLOB = 65;

constexpr uint16_t TypeFromPropID(uint32_t propid) { return static_cast<uint16_t>(propid & 0xFFFF); }
constexpr uint16_t IdFromPropID(uint32_t propid) { return static_cast<uint16_t>(propid >> 16); }

struct SORTORDERSPEC {
    CEPROPID propid;
    uint32_t dwFlags;
};

constexpr uint32_t CEDB_SORT_DESCENDING = 0x1;
constexpr uint32_t CEDB_SORT_CASEINSENSITIVE = 0x2;
constexpr uint32_t CEDB_SORT_UNKNOWNFIRST = 0x4;
constexpr int CEDB_MAXSORTORDER = 4;
constexpr int CEDB_MAXDBASENAMELEN = 32;

// At most this many records in one database; a further new record is refused with 0.
constexpr uint32_t CEDB_MAXRECORDS = 65535;
