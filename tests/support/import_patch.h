// Points this test program's import of one system function at a replacement, so a test can
// make a call fail that the system never fails on its own. The program's code stays as it is.
#pragma once
#include <windows.h>

// Returns the address the import held before (put it back the same way), or null when this
// program does not import the function from that DLL.
void *ReplaceImport(const char *dll, const char *function, void *replacement);
