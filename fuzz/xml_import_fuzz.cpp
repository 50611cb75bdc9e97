// libFuzzer entry for the XML reader and the spreadsheet reader of zbstore (XmlReader,
// ReadObjectsXml); the checks are in fuzz_checks.cpp.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return RunFuzzCheck("xml_import", CheckXmlImport, data, size);
}
