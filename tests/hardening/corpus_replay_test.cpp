// The committed fuzzing corpus (fuzz/corpus/<target>/) replayed under Wine through the same
// checks the native fuzz targets run, so every input that once mattered stays covered by the
// suite on the program's real platform.
#include <gtest/gtest.h>
#include <iostream>
#include "fuzz_checks.h"
#include "support/test_env.h"

namespace {

using Check = bool (*)(const uint8_t *, size_t, std::string &);

TEST(FuzzCorpus, EveryInputPassesTheChecksOfItsTarget)
{
    const std::wstring corpus = WinePathOf(FUZZ_CORPUS_DIR);
    const struct {
        const wchar_t *target;
        Check check;
    } targets[] = {{L"store_log", CheckStoreLog}, {L"store_payload", CheckStorePayload},
                   {L"clipboard_field", CheckClipboardText}, {L"csv_import", CheckCsvImport},
                   {L"xml_import", CheckXmlImport}};
    for (const auto &target : targets) {
        const std::wstring folder = corpus + L"\\" + target.target;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no corpus folder for " << testing::PrintToString(folder);
        unsigned inputs = 0;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const std::string bytes = ReadWholeFile(folder + L"\\" + found.cFileName);
            std::string why;
            EXPECT_TRUE(target.check(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), why))
                << testing::PrintToString(std::wstring(found.cFileName)) << ": " << why;
            ++inputs;
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::cout << inputs << " inputs of " << testing::PrintToString(std::wstring(target.target)) << " replayed\n";
        EXPECT_GE(inputs, 3u) << "the corpus of " << testing::PrintToString(std::wstring(target.target)) << " is gone";
    }
}

}  // namespace
