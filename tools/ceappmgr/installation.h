// Installs a component named by an installation description file into the emulated device.
//
// The description ("Zifferbox.ini"):
//   [CEAppManager]  Version=1.0, Component=<name>
//   [<name>]        Description=<text>, CabFiles=<cab>[,<cab>...]  (beside the .ini)
// The files of the cabinets land in <device>\Programme\<name>, where <device> is the folder named
// by the environment variable ZIFFERBOX_DEVICE_DIR, else %LOCALAPPDATA%\Zifferbox Device.
#pragma once
#include <string>

enum class InstallResult {
    Installed,
    DescriptionUnreadable,   // the file is missing or not a description
    DescriptionIncomplete,   // a key is missing or names something unusable
    CabinetUnreadable,       // a cabinet is missing or damaged
    CabinetUnsafeName,       // a cabinet holds a name with a folder part
    DeviceFolderFailed,      // the device folder cannot be made or written
};

struct InstallReport {
    InstallResult result = InstallResult::DescriptionUnreadable;
    std::wstring component;
    std::wstring targetFolder;
    std::wstring detail;     // the file or name the result is about
};

InstallReport InstallFromDescription(const std::wstring &descriptionPath);

// <device>\Programme\<component>, without creating anything.
std::wstring DeviceProgramFolder(const std::wstring &component);
