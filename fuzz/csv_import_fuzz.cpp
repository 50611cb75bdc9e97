// libFuzzer entry for the CSV reader of zbstore (ReadObjectsCsv); the checks are in fuzz_checks.cpp.
#include <cstdio>
#include <cstdlib>
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string why;
    if (!CheckCsvImport(data, size, why)) {
        std::fprintf(stderr, "csv_import: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
