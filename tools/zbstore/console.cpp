#include "console.h"
#include <windows.h>
#include <algorithm>

namespace {

void Write(DWORD which, const std::string &utf8)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring text(length, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], length);
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

bool IsConsole(DWORD which)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
}

}  // namespace

void Print(const std::string &utf8) { Write(STD_OUTPUT_HANDLE, utf8); }
void PrintError(const std::string &utf8) { Write(STD_ERROR_HANDLE, utf8); }

bool WriteStandardOutput(const std::string &bytes)
{
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

std::string Utf8(const std::wstring &text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length, nullptr, nullptr);
    return out;
}

std::string ShownPath(const std::wstring &path)
{
    // scripts/zbstore sets it, a line per converted argument: "<Windows path>\t<as the user wrote it>".
    const wchar_t kShownPaths[] = L"ZBSTORE_SHOWN_PATHS";
    const DWORD size = GetEnvironmentVariableW(kShownPaths, nullptr, 0);
    if (size == 0)
        return Utf8(path);
    std::wstring table(size, L'\0');
    table.resize(GetEnvironmentVariableW(kShownPaths, &table[0], size));
    for (size_t line = 0; line < table.size();) {
        const size_t end = std::min(table.find(L'\n', line), table.size());
        const size_t tab = table.find(L'\t', line);
        if (tab < end && table.compare(line, tab - line, path) == 0)
            return Utf8(table.substr(tab + 1, end - tab - 1));
        line = end + 1;
    }
    // A path of the tool's own choosing: Wine's drive Z: is the Linux root.
    if (path.size() >= 3 && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':' &&
        (path[2] == L'\\' || path[2] == L'/')) {
        std::wstring unixPath = path.substr(2);
        std::replace(unixPath.begin(), unixPath.end(), L'\\', L'/');
        return Utf8(unixPath);
    }
    return Utf8(path);
}

Progress::Progress(const char *label, size_t total) : label_(label), total_(total), console_(IsConsole(STD_ERROR_HANDLE)) {}

Progress::~Progress()
{
    if (shown_)
        PrintError("\r" + label_ + ": " + std::to_string(total_) + " von " + std::to_string(total_) + "\n");
}

void Progress::Step(size_t done)
{
    if (!console_ || total_ < 2000 || done % 500 != 0)
        return;
    shown_ = true;
    PrintError("\r" + label_ + ": " + std::to_string(done) + " von " + std::to_string(total_));
}
