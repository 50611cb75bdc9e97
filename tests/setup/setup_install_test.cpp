// The distribution end to end: setup.exe hands Zifferbox.ini to our CEAppMgr.exe, which puts
// the handheld files into the emulated device folder; and CEAppMgr.exe's refusals.
#include "manager_registration.h"
#include "support/child_process.h"
#include "support/message_boxes.h"
#include "support/test_files.h"
#include <gtest/gtest.h>

namespace {

const wchar_t *const HANDHELD_FILES[] = {L"zifferbox.exe", L"PegHelp.exe", L"zifferbox.htp"};

class SetupInstallTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = FreshScratchFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        dist = scratch + L"\\dist";
        device = scratch + L"\\device";
        MakeFolder(dist);
        ASSERT_TRUE(CopyFileW(WinePathOf(SETUP_EXE).c_str(), (dist + L"\\setup.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(WinePathOf(CEAPPMGR_EXE).c_str(), (dist + L"\\CEAppMgr.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteWholeFile(dist + L"\\Zifferbox.ini", ReadWholeFile(WinePathOf(ZIFFERBOX_INI))));
        UseCabinet(L"Zifferbox.cab");
        SetEnvironmentVariableW(L"ZIFFERBOX_DEVICE_DIR", device.c_str());
        SetEnvironmentVariableW(L"ZIFFERBOX_APPMGR_QUIET", L"1");
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"ZIFFERBOX_DEVICE_DIR", nullptr);
        SetEnvironmentVariableW(L"ZIFFERBOX_APPMGR_QUIET", nullptr);
    }

    // Puts one of the build's test cabinets into the distribution as Zifferbox.cab.
    void UseCabinet(const wchar_t *name)
    {
        ASSERT_TRUE(CopyFileW((WinePathOf(PAYLOAD_DIR) + L"\\" + name).c_str(), (dist + L"\\Zifferbox.cab").c_str(),
                              FALSE));
    }

    std::string Payload(const wchar_t *name) { return ReadWholeFile(WinePathOf(PAYLOAD_DIR) + L"\\files\\" + name); }
    std::wstring Installed(const wchar_t *name) { return device + L"\\Programme\\Zifferbox\\" + name; }

    std::wstring scratch, dist, device;
    ManagerRegistration registration;
};

TEST_F(SetupInstallTest, SetupFromTheDistributionInstallsTheHandheldFiles)
{
    // The description in the manager's format, read as the manager reads it (Windows-1252 here).
    const std::wstring ini = dist + L"\\Zifferbox.ini";
    const struct {
        const wchar_t *section, *key, *value;
    } keys[] = {{L"CEAppManager", L"Component", L"Zifferbox"},
                {L"Zifferbox", L"CabFiles", L"Zifferbox.cab"},
                {L"Zifferbox", L"Description", L"Zifferbox - Nummern von Software, Geräten und anderen Dingen"}};
    for (const auto &k : keys) {
        wchar_t value[256] = L"";
        GetPrivateProfileStringW(k.section, k.key, L"", value, 256, ini.c_str());
        EXPECT_STREQ(value, k.value) << Narrow(k.key);
    }

    ChildProcess registering(dist + L"\\CEAppMgr.exe", L"/register", dist);
    ASSERT_EQ(registering.wait(10000), 0u);
    EXPECT_EQ(registration.Path(), dist + L"\\CEAppMgr.exe");

    ChildProcess setup(dist + L"\\setup.exe", L"", dist);
    ASSERT_TRUE(setup.started());
    const SeenMessageBox question = WaitForMessageBox(setup.handle(), 10000);
    ASSERT_TRUE(question.box);
    PressButton(question.box, IDOK);
    EXPECT_EQ(setup.wait(10000), 0u);

    bool complete = false;
    for (int i = 0; i < 500 && !complete; ++i) {
        complete = !ProcessRunning(L"CEAppMgr.exe");
        for (const wchar_t *name : HANDHELD_FILES)
            complete = complete && ReadWholeFile(Installed(name)) == Payload(name);
        if (!complete)
            Sleep(20);
    }
    for (const wchar_t *name : HANDHELD_FILES)
        EXPECT_EQ(ReadWholeFile(Installed(name)), Payload(name)) << Narrow(name);
    EXPECT_FALSE(FileExists(device + L"\\Programme\\Zifferbox.neu"));
}

TEST_F(SetupInstallTest, ManagerRefusesBadInputAndLeavesTheInstalledCopyAsItWas)
{
    MakeFolder(device + L"\\Programme\\Zifferbox");
    for (const wchar_t *name : HANDHELD_FILES)
        WriteWholeFile(Installed(name), "installed before");
    const std::wstring ini = dist + L"\\Zifferbox.ini";

    struct Case {
        const char *name;
        const wchar_t *cabinet;
        std::string description;
        DWORD exitCode;
    } cases[] = {
        {"cabinet cut short", L"Damaged.cab", ReadWholeFile(ini), 3},
        {"cabinet with a folder in a file name", L"Nested.cab", ReadWholeFile(ini), 3},
        {"not a description", L"Zifferbox.cab", "Zifferbox\r\n", 2},
        {"component that names a folder path",  L"Zifferbox.cab",
         "[CEAppManager]\r\nVersion=1.0\r\nComponent=..\\..\\Elsewhere\r\n", 2},
        {"cabinet outside the description's folder", L"Zifferbox.cab",
         "[CEAppManager]\r\nVersion=1.0\r\nComponent=Zifferbox\r\n[Zifferbox]\r\nCabFiles=..\\Zifferbox.cab\r\n", 2},
        {"cabinet missing", L"Zifferbox.cab",
         "[CEAppManager]\r\nVersion=1.0\r\nComponent=Zifferbox\r\n[Zifferbox]\r\nCabFiles=Fehlt.cab\r\n", 3},
        {"second cabinet of the list missing", L"Zifferbox.cab",
         "[CEAppManager]\r\nVersion=1.0\r\nComponent=Zifferbox\r\n[Zifferbox]\r\nCabFiles=Zifferbox.cab, Fehlt.cab\r\n", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        UseCabinet(c.cabinet);
        WriteWholeFile(ini, c.description);
        ChildProcess manager(dist + L"\\CEAppMgr.exe", L"\"" + ini + L"\"", dist);
        EXPECT_EQ(manager.wait(10000), c.exitCode);
        for (const wchar_t *name : HANDHELD_FILES)
            EXPECT_EQ(ReadWholeFile(Installed(name)), "installed before") << Narrow(name);
        EXPECT_FALSE(FileExists(device + L"\\Programme\\Zifferbox.neu"));
        EXPECT_FALSE(FileExists(device + L"\\Programme\\Zifferbox\\sub"));
        EXPECT_FALSE(FileExists(scratch + L"\\Elsewhere"));
    }
}

}  // namespace
