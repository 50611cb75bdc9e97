// CEAppMgr.exe, our stand-in for the desktop's Windows CE application manager.
//   CEAppMgr.exe /register                 registers itself under App Paths, as installers expect
//   CEAppMgr.exe "C:\...\Zifferbox.ini"    installs the component into the emulated device folder
// /quiet, or ZIFFERBOX_APPMGR_QUIET=1 in the environment, shows no message; the exit code tells.
#include "installation.h"
#include "registration.h"
#include "common/unique_handles.h"
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

enum ExitCode { EXIT_DONE = 0, EXIT_USAGE = 1, EXIT_DESCRIPTION = 2, EXIT_INSTALLATION = 3, EXIT_REGISTRATION = 4 };

static const wchar_t CAPTION[] = L"Windows CE Anwendungsmanager";
static bool quiet = false;

static int Report(const std::wstring &text, UINT icon, int exitCode)
{
    if (!quiet)
        MessageBoxW(nullptr, text.c_str(), CAPTION, MB_OK | icon);
    return exitCode;
}

static bool QuietByEnvironment()
{
    WCHAR value[8] = L"";
    const DWORD length = GetEnvironmentVariableW(L"ZIFFERBOX_APPMGR_QUIET", value, 8);
    return length > 0 && length < 8 && lstrcmpW(value, L"0") != 0;
}

static int Register()
{
    std::wstring path;
    if (!RegisterManager(path))
        return Report(L"Der Anwendungsmanager kann nicht angemeldet werden.\n"
                      L"Bitte starten Sie ihn mit Administratorrechten.", MB_ICONSTOP, EXIT_REGISTRATION);
    return Report(L"Der Anwendungsmanager ist angemeldet:\n" + path, MB_ICONINFORMATION, EXIT_DONE);
}

static int Install(const std::wstring &description)
{
    const InstallReport report = InstallFromDescription(description);
    switch (report.result) {
    case InstallResult::Installed:
        return Report(report.component + L" wurde auf dem Gerät installiert.\n\nOrdner: " + report.targetFolder,
                      MB_ICONINFORMATION, EXIT_DONE);
    case InstallResult::DescriptionUnreadable:
        return Report(L"Die Installationsbeschreibung kann nicht gelesen werden:\n" + report.detail,
                      MB_ICONSTOP, EXIT_DESCRIPTION);
    case InstallResult::DescriptionIncomplete:
        return Report(L"Die Installationsbeschreibung ist unvollständig oder fehlerhaft:\n" + report.detail,
                      MB_ICONSTOP, EXIT_DESCRIPTION);
    case InstallResult::CabinetUnreadable:
        return Report(L"Die Installationsdatei fehlt oder ist beschädigt:\n" + report.detail +
                      L"\n\nAuf dem Gerät wurde nichts verändert.", MB_ICONSTOP, EXIT_INSTALLATION);
    case InstallResult::CabinetUnsafeName:
        return Report(L"Die Installationsdatei enthält einen unzulässigen Dateinamen:\n" + report.detail +
                      L"\n\nAuf dem Gerät wurde nichts verändert.", MB_ICONSTOP, EXIT_INSTALLATION);
    case InstallResult::DeviceFolderFailed:
        return Report(L"In den Geräteordner kann nicht geschrieben werden:\n" + report.detail,
                      MB_ICONSTOP, EXIT_INSTALLATION);
    }
    return EXIT_INSTALLATION;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int count = 0;
    const UniqueLocalBlock<LPWSTR *> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> words;
    for (int i = 1; arguments && i < count; ++i)
        words.push_back(arguments.get()[i]);

    quiet = QuietByEnvironment();
    std::vector<std::wstring> descriptions;
    bool registerOnly = false;
    for (const std::wstring &word : words) {
        if (lstrcmpiW(word.c_str(), L"/quiet") == 0)
            quiet = true;
        else if (lstrcmpiW(word.c_str(), L"/register") == 0)
            registerOnly = true;
        else
            descriptions.push_back(word);
    }
    if (registerOnly && descriptions.empty())
        return Register();
    if (!registerOnly && descriptions.size() == 1)
        return Install(descriptions.front());
    return Report(L"Aufruf:\n  CEAppMgr.exe /register\n  CEAppMgr.exe \"Pfad\\Zifferbox.ini\"\n\n"
                  L"/quiet zeigt keine Meldung.", MB_ICONINFORMATION, EXIT_USAGE);
}
