// The bytes the store cuts off its file at open (an entry a crash left incomplete, or a header
// that was never finished) are never destroyed: they are appended to "<store>.tail" and flushed
// before the cut, so the original file can be put together again.
#pragma once
#include <windows.h>
#include <string>
#include "objectstore/file.h"

std::wstring StoreTailPath(const std::wstring &storePath);
// True when the bytes are on disk in the tail file (or there were none).
bool KeepCutBytes(const StoreFileOps &ops, const std::wstring &storePath, const std::string &bytes);
