#include "objectstore/log_format.h"
#include <algorithm>
#include <cstring>
#include "objectstore/little_endian.h"

namespace {

const char kMagic[kStoreMagicSize] = {'Z', 'B', 'S', 'T', 'O', 'R', 'E', '\x1A'};

// Slicing-by-8 tables: reading a 65,535-record file checks megabytes.
struct CrcTable {
    uint32_t entries[8][256];
    CrcTable()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int t = 1; t < 8; ++t)
                entries[t][i] = (entries[t - 1][i] >> 8) ^ entries[0][entries[t - 1][i] & 0xFF];
    }
};

const CrcTable crcTable;

}  // namespace

uint32_t StoreCrc32(const void *data, size_t size, uint32_t crc)
{
    const unsigned char *p = static_cast<const unsigned char *>(data);
    const auto &t = crcTable.entries;
    crc = ~crc;
    while (size >= 8) {
        uint32_t low = crc ^ (p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        size -= 8;
    }
    while (size--)
        crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string EncodeStoreHeader()
{
    std::string header(kMagic, sizeof kMagic);
    PutLittleEndian(header, kStoreVersion, 4);
    PutLittleEndian(header, StoreCrc32(header.data(), header.size()), 4);
    return header;
}

std::string EncodeStoreEntry(const std::string &payload)
{
    std::string entry;
    entry.reserve(kStoreEntryHeaderSize + payload.size());
    AppendStoreEntry(entry, payload);
    return entry;
}

void AppendStoreEntry(std::string &out, const std::string &payload)
{
    const uint32_t length = static_cast<uint32_t>(payload.size());
    PutLittleEndian(out, length, 4);
    PutLittleEndian(out, ~length, 4);
    PutLittleEndian(out, StoreCrc32(payload.data(), payload.size()), 4);
    out += payload;
}
