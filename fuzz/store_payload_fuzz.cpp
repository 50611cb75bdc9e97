// libFuzzer entry for the decoder of one store entry (DecodeStorePayload); the checks are in fuzz_checks.cpp.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return RunFuzzCheck("store_payload", CheckStorePayload, data, size);
}
