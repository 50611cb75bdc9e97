// Owners for the installer's registry key and kernel handles, so no path leaks one.
#pragma once
#include <windows.h>

class UniqueKey {
public:
    UniqueKey() = default;
    ~UniqueKey() { if (key_) RegCloseKey(key_); }
    UniqueKey(const UniqueKey &) = delete;
    UniqueKey &operator=(const UniqueKey &) = delete;
    HKEY get() const { return key_; }
    // For RegOpenKeyExA's out parameter; only on an empty owner.
    HKEY *receive() { return &key_; }
private:
    HKEY key_ = nullptr;
};

// Owns a handle that is closed with CloseHandle; both null and INVALID_HANDLE_VALUE mean none.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~UniqueHandle() { if (valid()) CloseHandle(handle_); }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE handle_;
};
