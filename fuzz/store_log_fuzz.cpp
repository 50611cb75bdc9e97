// libFuzzer entry for the object store file reader (ScanStoreLog); the checks are in fuzz_checks.cpp.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return RunFuzzCheck("store_log", CheckStoreLog, data, size);
}
