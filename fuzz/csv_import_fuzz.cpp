// libFuzzer entry for the CSV reader of zbstore (ReadObjectsCsv); the checks are in fuzz_checks.cpp.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return RunFuzzCheck("csv_import", CheckCsvImport, data, size);
}
