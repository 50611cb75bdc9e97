// The registration of the application manager that setup looks for, saved and put back.
#pragma once
#include <windows.h>
#include <string>

// Saves HKLM ...\App Paths\CEAppMgr.exe as found and puts it back when destroyed.
class ManagerRegistration {
public:
    ManagerRegistration();
    ~ManagerRegistration();
    ManagerRegistration(const ManagerRegistration &) = delete;
    ManagerRegistration &operator=(const ManagerRegistration &) = delete;
    void Remove();
    void SetValue(DWORD type, const void *data, DWORD size);
    void SetPath(const std::wstring &path);  // REG_SZ with its terminator
    std::wstring Path() const;
private:
    bool existed_ = false;
    DWORD type_ = 0;
    std::string saved_;
};
