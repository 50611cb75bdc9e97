// The framing of the object store file: a header, then entries, each a checked, length-prefixed
// payload. What a payload holds is the entry codec's business (entry_codec.h). Plain C++,
// no Win32, so it builds natively for fuzzing.
//
// Header: 8 magic bytes, u32 version, u32 CRC-32 of the 12 bytes before it.
// Entry: u32 payload length, u32 the length's complement, u32 CRC-32 of the payload, then the
// payload. All numbers little-endian.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kStoreMagicSize = 8;
constexpr uint32_t kStoreVersion = 1;
constexpr size_t kStoreHeaderSize = kStoreMagicSize + 4 + 4;

// Offsets inside an entry's framing.
constexpr size_t kEntryLengthOffset = 0;
constexpr size_t kEntryComplementOffset = 4;
constexpr size_t kEntryCrcOffset = 8;
constexpr size_t kStoreEntryHeaderSize = 12;

uint32_t StoreCrc32(const void *data, size_t size, uint32_t crc = 0);

// The header every store file begins with.
std::string EncodeStoreHeader();
// Frames a payload as one entry (length, check, CRC, payload).
std::string EncodeStoreEntry(const std::string &payload);
void AppendStoreEntry(std::string &out, const std::string &payload);
