// The property types of the object store (low 16 bits of a property identifier), shared by the
// device API in object_store.h and the file format, which builds without windows.h.
#pragma once
#include <cstdint>

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
