// What must hold for any input to the decoders: the checks that the native fuzz targets run
// under the sanitizers and that the test suite replays over the committed corpus under Wine.
// Plain C++, no Win32.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Each returns true when the input was handled soundly; otherwise why says what broke.
// ScanStoreLog: whole entries only, contiguous, inside the input; every accepted entry is
// canonical (encoding what was decoded gives back exactly its bytes).
bool CheckStoreLog(const uint8_t *data, size_t size, std::string &why);
// DecodeStorePayload: an accepted payload encodes back to exactly itself.
bool CheckStorePayload(const uint8_t *data, size_t size, std::string &why);
// ParseClipboardField over a clipboard block (the bytes as UTF-16LE units, perhaps without a
// terminator) the way a paste reads its four fields: every field terminated within 256
// characters, holding no separator, and the position never leaving the block.
bool CheckClipboardText(const uint8_t *data, size_t size, std::string &why);
// ReadObjectsCsv: never more problems, listed values or rows reported than it keeps; an
// accepted file holds only valid objects, and writing them and reading them back gives exactly
// the same objects.
bool CheckCsvImport(const uint8_t *data, size_t size, std::string &why);
// XmlReader: events inside the input, depth and texts within the limits, elements balanced at
// the end; ReadObjectsXml: as ReadObjectsCsv, and an accepted file's objects exported as XML
// read back the same with nothing listed as rewritten.
bool CheckXmlImport(const uint8_t *data, size_t size, std::string &why);

using FuzzCheck = bool (*)(const uint8_t *data, size_t size, std::string &why);
// The body of every fuzz entry: runs `check` and aborts with the target's name and the reason
// when it fails, so the fuzzer keeps the input.
int RunFuzzCheck(const char *target, FuzzCheck check, const uint8_t *data, size_t size);
