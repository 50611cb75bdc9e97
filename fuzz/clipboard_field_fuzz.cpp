// libFuzzer entry for the paste parser (ParseClipboardField); the checks are in fuzz_checks.cpp.
#include <cstdio>
#include <cstdlib>
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string why;
    if (!CheckClipboardText(data, size, why)) {
        std::fprintf(stderr, "clipboard_field: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
