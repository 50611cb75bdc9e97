// Text between the store's UTF-16 and the byte encodings files come in: UTF-8 and the
// Windows-1252 that German spreadsheets save as "CSV". Pure code, no system calls.
#pragma once
#include <cstddef>
#include <string>

// Appends the UTF-8 form of text; unpaired surrogates become U+FFFD.
void AppendUtf8(std::string &out, const std::u16string &text);
std::string ToUtf8(const std::u16string &text);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF). False with the
// offset of the first byte that is not valid.
bool DecodeUtf8(const char *bytes, size_t size, std::u16string &text, size_t &badOffset);
// Windows-1252. False with the offset of the first byte the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D).
bool DecodeWindows1252(const char *bytes, size_t size, std::u16string &text, size_t &badOffset);
