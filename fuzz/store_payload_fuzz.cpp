// libFuzzer entry for the decoder of one store entry (DecodeStorePayload); the checks are in fuzz_checks.cpp.
#include <cstdio>
#include <cstdlib>
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string why;
    if (!CheckStorePayload(data, size, why)) {
        std::fprintf(stderr, "store_payload: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
