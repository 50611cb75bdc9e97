// The real zifferbox.exe over store paths it can't use: a missing drive, a read-only folder, a
// folder that is a file, a file held by another program, a folder as the file, and the store
// held by another process but named through another spelling of its path. Each run shows the
// start-up error once, ends with 0 and leaves every file as it was.
#include <gtest/gtest.h>
#include "app_support/store_test_support.h"
#include "support/child_process.h"
#include "support/message_boxes.h"
#include "app_support/main_window_session.h"
#include "support/test_env.h"

namespace {

const std::wstring program = WinePathOf(ZIFFERBOX_EXE);
const std::wstring storeChild = WinePathOf(STORE_CHILD_EXE);
const wchar_t kOpenError[] = L"Fehler beim Öffnen der Datenbank.\nDas Programm muß beendet werden.";

// Starts zifferbox.exe with ZIFFERBOX_OBJECT_STORE set to storePath and expects the start-up
// error, answered once, and the end with code 0.
void ExpectStartupError(const std::wstring &storePath, const std::wstring &currentDirectory = L"")
{
    SCOPED_TRACE(testing::PrintToString(storePath));
    SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", storePath.c_str());
    ChildProcess run(program, L"", currentDirectory);
    ASSERT_TRUE(run.started());
    HWND box = run.waitForWindow(L"#32770", 15000);
    ASSERT_NE(box, nullptr) << "no start-up error";
    EXPECT_EQ(MessageBoxText(box), kOpenError);
    EXPECT_EQ(WindowText(box), L"Zifferbox");
    PressButton(box, IDOK);
    EXPECT_EQ(run.wait(15000), 0u) << "did not end, or ended with another code, after one answer";
    EXPECT_EQ(FindWindowW(L"Zifferbox", L"Zifferbox"), nullptr);
}

TEST(HostileStartup, UnusableStorePathsShowTheStartupErrorAndEndWithZero)
{
    const std::wstring folder = TestFolder();
    const std::wstring notAFolder = folder + L"\\kein-ordner.txt";
    ASSERT_TRUE(WriteWholeFile(notAFolder, "eine Datei, kein Ordner"));
    // The tests run as root, who may write into any folder whatever its permissions and into
    // files marked read-only; /proc takes no new files from anyone.
    const std::wstring readOnlyFolder = L"Z:\\proc\\zifferbox.zbs";
    // A file another program holds without sharing.
    const std::wstring held = folder + L"\\fremd-gehalten.zbs";
    ASSERT_TRUE(WriteWholeFile(held, ""));
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::wstring aFolder = folder + L"\\ein-ordner.zbs";
    CreateDirectoryW(aFolder.c_str(), nullptr);

    ExpectStartupError(L"Q:\\nichtda\\store.zbs");
    ExpectStartupError(notAFolder + L"\\store.zbs");
    ExpectStartupError(readOnlyFolder);
    ExpectStartupError(L"Z:\\proc\\zifferbox\\store.zbs");
    ExpectStartupError(held);
    ExpectStartupError(aFolder);
    ExpectStartupError(L"Z:\\ungültig<>|\\store.zbs");

    EXPECT_EQ(ReadWholeFile(notAFolder), "eine Datei, kein Ordner");
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(held), "");
    EXPECT_EQ(GetFileAttributesW(readOnlyFolder.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Other spellings of one file: letter case, slashes, a detour through "..", and a path relative
// to the current folder.
struct Spelling {
    std::wstring path;
    std::wstring currentDirectory;
};

std::vector<Spelling> SpellingsOf(const std::wstring &folder, const std::wstring &name)
{
    std::wstring upper = folder + L"\\" + name;
    CharUpperW(&upper[0]);
    std::wstring slashes = folder + L"/" + name;
    for (wchar_t &c : slashes)
        if (c == L'\\')
            c = L'/';
    const size_t last = folder.find_last_of(L'\\');
    const std::wstring detour = folder + L"\\..\\" + folder.substr(last + 1) + L"\\.\\" + name;
    return {{upper, L""}, {slashes, L""}, {detour, L""}, {name, folder}, {L".\\" + name, folder}};
}

// The file's identity as the system sees it, reached through a spelling.
bool FileIdentity(const Spelling &spelling, BY_HANDLE_FILE_INFORMATION &info)
{
    WCHAR saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    if (!spelling.currentDirectory.empty())
        SetCurrentDirectoryW(spelling.currentDirectory.c_str());
    HANDLE file = CreateFileW(spelling.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SetCurrentDirectoryW(saved);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    return ok;
}

TEST(HostileStartup, AStoreHeldElsewhereIsRefusedUnderEverySpellingOfItsPath)
{
    const std::wstring path = UseFreshStoreFile(L"gehalten");
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    const std::wstring name = path.substr(folder.size() + 1);
    ASSERT_NE(CreateTextDatabase(L"Zifferbox"), 0u);
    DatabaseHandle held(OpenByName(L"Zifferbox"));
    ASSERT_NE(WriteTexts(held.get(), 0, {{kNameProp, L"Meins"}}), 0u);
    const std::string before = ReadWholeFile(path);

    BY_HANDLE_FILE_INFORMATION original, other;
    ASSERT_TRUE(FileIdentity({path, L""}, original));
    for (const Spelling &spelling : SpellingsOf(folder, name)) {
        ASSERT_TRUE(FileIdentity(spelling, other)) << testing::PrintToString(spelling.path);
        ASSERT_TRUE(other.nFileIndexLow == original.nFileIndexLow && other.nFileIndexHigh == original.nFileIndexHigh)
            << testing::PrintToString(spelling.path) << " names another file";
        ExpectStartupError(spelling.path, spelling.currentDirectory);
        // The store tests' rival tries to open and to create a database: both must fail.
        SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", spelling.path.c_str());
        ChildProcess rival(storeChild, L"rival", spelling.currentDirectory);
        ASSERT_TRUE(rival.started());
        EXPECT_EQ(rival.wait(15000), 0u) << testing::PrintToString(spelling.path) << " was opened by a second process";
        EXPECT_EQ(ReadWholeFile(path), before) << testing::PrintToString(spelling.path);
    }
    SetEnvironmentVariableW(L"ZIFFERBOX_OBJECT_STORE", path.c_str());
    EXPECT_NE(WriteTexts(held.get(), 0, {{kNameProp, L"Noch meins"}}), 0u) << "the holder lost its store";
    EXPECT_EQ(ReadAllTexts(held.get()), (std::vector<std::wstring>{L"Meins", L"Noch meins"}));
}

}  // namespace
