// setup.exe runs as a child process; its boxes are read and answered from outside, and a
// recording manager registered under App Paths shows what setup hands over.
#include "manager_registration.h"
#include "support/child_process.h"
#include "support/message_boxes.h"
#include "support/test_files.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

const std::wstring QUESTION =
    L"Zifferbox ist eine Anwendung für Windows CE Geräte.\n"
    L"Sie verwaltet die verschiedenen Zifferbox von Software, Geräten und anderen Dingen.\n\n"
    L"Wollen Sie 'Zifferbox' installieren?";
const std::wstring SERVICES_ERROR =
    L"Die Anwendung kann nicht installiert werden.\n"
    L"Bitte prüfen Sie, ob die Windows CE Dienste ordnungsgemäß installiert sind.";
const std::wstring MISSING_FILES_ERROR =
    L"Die Anwendung kann nicht installiert werden.\n"
    L"Bitte installieren Sie die Original-Dateien der Anwendung neu.";

class SetupLauncherTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = FreshScratchFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        medium = scratch + L"\\medium";
        MakeFolder(medium);
        ASSERT_TRUE(CopyFileW(WinePathOf(SETUP_EXE).c_str(), (medium + L"\\setup.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteWholeFile(medium + L"\\Zifferbox.ini", ReadWholeFile(WinePathOf(ZIFFERBOX_INI))));
        managerFolder = scratch + L"\\manager";
        MakeFolder(managerFolder);
        recorder = managerFolder + L"\\recording_manager.exe";
        ASSERT_TRUE(CopyFileW(WinePathOf(RECORDER_EXE).c_str(), recorder.c_str(), FALSE));
        recordFile = scratch + L"\\record.txt";
        SetEnvironmentVariableW(L"ZB_RECORD_FILE", recordFile.c_str());
    }

    void TearDown() override
    {
        if (release) {
            SetEvent(release);
            CloseHandle(release);
        }
    }

    // A release event of its own for each run, so no earlier recorder is still waiting on it.
    void NewRecorderRelease()
    {
        if (release) {
            SetEvent(release);
            CloseHandle(release);
        }
        const std::wstring name = L"ZifferboxRecorderRelease-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++releaseCount);
        release = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
        SetEnvironmentVariableW(L"ZB_RECORD_RELEASE", name.c_str());
        DeleteFileW(recordFile.c_str());
    }

    // Starts setup in currentDirectory, checks the question and answers it.
    void AskAndAnswer(ChildProcess &setup, int answer)
    {
        ASSERT_TRUE(setup.started());
        const SeenMessageBox question = WaitForMessageBox(setup.handle(), 10000);
        ASSERT_TRUE(question.box) << "no question box";
        EXPECT_EQ(question.caption, L"Setup");
        EXPECT_EQ(question.text, QUESTION);
        EXPECT_EQ(question.buttons, (std::vector<int>{IDOK, IDCANCEL}));
        EXPECT_FALSE(question.hasIcon);
        const HWND status = FindProcessWindow(GetProcessId(setup.handle()), L"SetupClass", false);
        ASSERT_TRUE(status) << "no status window";
        EXPECT_EQ(question.owner, status);
        EXPECT_FALSE(IsWindowVisible(status));
        wchar_t title[32] = L"";
        GetWindowTextW(status, title, 32);
        EXPECT_STREQ(title, L"Setup");
        PressButton(question.box, answer);
    }

    std::wstring scratch, medium, managerFolder, recorder, recordFile;
    HANDLE release = nullptr;
    int releaseCount = 0;
    ManagerRegistration registration;
};

TEST_F(SetupLauncherTest, CancelEndsWithoutAskingTheRegistryOrStartingTheManager)
{
    // With the key absent a registry lookup would show the services error and setup would
    // not end; with a working manager it would start the recorder.
    const std::function<void()> arrangements[] = {
        [&] { registration.Remove(); },
        [&] { registration.SetPath(recorder); },
    };
    for (const auto &arrange : arrangements) {
        NewRecorderRelease();
        // Recorders of earlier cases end once released; then any recorder running belongs to this run.
        for (int i = 0; i < 250 && ProcessRunning(L"recording_manager.exe"); ++i)
            Sleep(20);
        ASSERT_FALSE(ProcessRunning(L"recording_manager.exe"));
        arrange();
        ChildProcess setup(medium + L"\\setup.exe", L"", medium);
        AskAndAnswer(setup, IDCANCEL);
        EXPECT_EQ(setup.wait(5000), 0u);
        // A recorder setup started is still running now (it waits for our release), and that
        // proves the check at once: no waiting for a file that could come later.
        EXPECT_FALSE(ProcessRunning(L"recording_manager.exe"));
        EXPECT_FALSE(FileExists(recordFile));
    }
}

TEST_F(SetupLauncherTest, EachFaultEndsInItsErrorBoxWithTheStatusWindowHiddenAndExitCodeZero)
{
    // Fills exactly 260 bytes, no terminator: the recorder's path padded with blanks, which
    // the file functions would strip, so taking the bytes without a terminator would start it.
    std::string padded = Narrow(recorder);
    padded.resize(260, ' ');
    const std::wstring widePadded(padded.begin(), padded.end());
    const std::wstring elsewhere = scratch + L"\\elsewhere";
    MakeFolder(elsewhere);
    const std::wstring notStartable = scratch + L"\\broken\\CEAppMgr.exe";
    MakeFolder(scratch + L"\\broken");
    WriteWholeFile(notStartable, "This is no program.\r\n");
    // The directory fits into 260 bytes, the description path after it does not.
    const std::wstring tooDeep = FolderOfLength(scratch, 246);
    WriteWholeFile(tooDeep + L"\\Zifferbox.ini", "[CEAppManager]\r\n");
    const std::wstring iniIsFolder = scratch + L"\\folder";
    MakeFolder(iniIsFolder + L"\\Zifferbox.ini");

    struct Case {
        const char *name;
        std::function<void()> arrange;
        std::wstring currentDirectory;
        const std::wstring &expected;
    } cases[] = {
        {"no App Paths key", [&] { registration.Remove(); }, medium, SERVICES_ERROR},
        {"260 bytes, no terminator, binary",
         [&] { registration.SetValue(REG_BINARY, padded.data(), 260); }, medium, SERVICES_ERROR},
        {"260 characters, no terminator, string",
         [&] { registration.SetValue(REG_SZ, widePadded.data(), 520); }, medium, SERVICES_ERROR},
        {"value longer than 260 bytes",
         [&] { registration.SetPath(std::wstring(widePadded) + L"     "); }, medium, SERVICES_ERROR},
        {"manager file missing", [&] { registration.SetPath(scratch + L"\\gone\\CEAppMgr.exe"); }, medium,
         SERVICES_ERROR},
        {"manager not startable", [&] { registration.SetPath(notStartable); }, medium, SERVICES_ERROR},
        {"manager path is a folder", [&] { registration.SetPath(managerFolder); }, medium, SERVICES_ERROR},
        {"no Zifferbox.ini in the current directory, one beside setup.exe",
         [&] { registration.SetPath(recorder); }, elsewhere, MISSING_FILES_ERROR},
        {"current directory leaves no room for the file name", [&] { registration.SetPath(recorder); }, tooDeep,
         MISSING_FILES_ERROR},
        {"Zifferbox.ini is a folder", [&] { registration.SetPath(recorder); }, iniIsFolder, MISSING_FILES_ERROR},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        NewRecorderRelease();
        registration.Remove();
        c.arrange();
        ChildProcess setup(medium + L"\\setup.exe", L"", c.currentDirectory);
        AskAndAnswer(setup, IDOK);
        const SeenMessageBox error = WaitForMessageBox(setup.handle(), 10000);
        ASSERT_TRUE(error.box) << "no error box";
        EXPECT_EQ(error.caption, L"Installationsfehler");
        EXPECT_EQ(error.text, c.expected);
        EXPECT_EQ(error.buttons, (std::vector<int>{IDOK}));
        EXPECT_TRUE(error.hasIcon);
        EXPECT_EQ(error.owner, nullptr);
        const HWND status = FindProcessWindow(GetProcessId(setup.handle()), L"SetupClass", false);
        EXPECT_TRUE(status && !IsWindowVisible(status));
        PressButton(error.box, IDOK);
        EXPECT_EQ(setup.wait(5000), 0u);
        EXPECT_FALSE(FileExists(recordFile));
    }
}

TEST_F(SetupLauncherTest, StartsTheManagerWithTheQuotedDescriptionPathAndEndsAtOnce)
{
    // The longest manager path (259 characters and the terminator fill 260 bytes) and the
    // longest description path meet in one command line.
    const std::wstring longManagerFolder = FolderOfLength(scratch, 259 - lstrlenW(L"\\recording_manager.exe"));
    const std::wstring longManager = longManagerFolder + L"\\recording_manager.exe";
    ASSERT_EQ(longManager.size(), 259u);
    ASSERT_TRUE(CopyFileW(recorder.c_str(), longManager.c_str(), FALSE));
    MakeFolder(scratch + L"\\deep");
    const std::wstring deepest = FolderOfLength(scratch + L"\\deep", 259 - lstrlenW(L"\\Zifferbox.ini"));
    WriteWholeFile(deepest + L"\\Zifferbox.ini", "[CEAppManager]\r\n");
    // A drive root already ends in a backslash. The test prefix's own C: is the root at hand.
    const std::wstring rootIni = L"C:\\Zifferbox.ini";
    WriteWholeFile(rootIni, "[CEAppManager]\r\n");

    struct Case {
        const char *name;
        std::wstring manager;
        std::wstring currentDirectory;
        std::wstring descriptionPath;
        bool iniHeldOpen;
    } cases[] = {
        {"ordinary folder", recorder, medium, medium + L"\\Zifferbox.ini", false},
        {"drive root", recorder, L"C:\\", rootIni, false},
        {"longest paths", longManager, deepest, deepest + L"\\Zifferbox.ini", false},
        {"description held open by another program", recorder, medium, medium + L"\\Zifferbox.ini", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.descriptionPath.size(), size_t(MAX_PATH));
        NewRecorderRelease();
        registration.SetPath(c.manager);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.iniHeldOpen)
            held = CreateFileW(c.descriptionPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        ChildProcess setup(medium + L"\\setup.exe", L"", c.currentDirectory);
        AskAndAnswer(setup, IDOK);
        // The recorder waits for our release, so setup ending now shows it did not wait.
        EXPECT_EQ(setup.wait(10000), 0u);
        EXPECT_EQ(WaitForMessageBox(setup.handle(), 0).box, nullptr);
        for (int i = 0; i < 250 && !FileExists(recordFile); ++i)
            Sleep(20);
        EXPECT_TRUE(ProcessRunning(L"recording_manager.exe"));
        EXPECT_EQ(ReadWholeFile(recordFile), Narrow(c.manager + L" \"" + c.descriptionPath + L"\""));
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
    }
    DeleteFileW(rootIni.c_str());
}

}  // namespace
