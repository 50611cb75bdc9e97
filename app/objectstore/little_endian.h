// Little-endian numbers in byte strings: the store file's and the stored properties' byte order.
// Plain C++, so the file format builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Appends the low `bytes` bytes of value, lowest first.
inline void PutLittleEndian(std::string &out, uint64_t value, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The number in the first `bytes` bytes at data (at most 8).
inline uint64_t GetLittleEndian(const char *data, size_t bytes)
{
    uint64_t value = 0;
    for (size_t i = bytes; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

inline uint64_t GetLittleEndian(const std::string &data) { return GetLittleEndian(data.data(), data.size()); }
