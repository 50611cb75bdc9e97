// The object's clipboard text: name, serial number, remark and category, each followed by CR LF.
// Pure text handling, so it can be tested and fuzzed without a clipboard.
#pragma once
#include <cstddef>

// Copies one field (up to 255 characters) from text into a 256-character destination and returns
// where the next field begins. The text ends at its terminator or at `end`, whichever comes first:
// a clipboard block from another program may lack the terminator.
const wchar_t *ParseClipboardField(wchar_t *destination, const wchar_t *text, const wchar_t *end);

// Size in characters of the block that copying allocates for BuildClipboardText: the four
// lengths plus 12, as the device program sizes it. The text needs 9 of those 12 (four CR LF and
// the terminator); the last 3 characters of the block stay unused.
size_t ClipboardTextLength(const wchar_t *name, const wchar_t *serialNumber, const wchar_t *remark,
                           const wchar_t *category);
void BuildClipboardText(wchar_t *text, const wchar_t *name, const wchar_t *serialNumber, const wchar_t *remark,
                        const wchar_t *category);
