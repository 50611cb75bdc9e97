// libFuzzer entry for the paste parser (ParseClipboardField); the checks are in fuzz_checks.cpp.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return RunFuzzCheck("clipboard_field", CheckClipboardText, data, size);
}
