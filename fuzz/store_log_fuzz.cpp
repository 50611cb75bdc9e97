// libFuzzer entry for the object store file reader (ScanStoreLog); the checks are in fuzz_checks.cpp.
#include <cstdio>
#include <cstdlib>
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string why;
    if (!CheckStoreLog(data, size, why)) {
        std::fprintf(stderr, "store_log: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
