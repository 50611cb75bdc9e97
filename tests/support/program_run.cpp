#include "support/program_run.h"
#include <thread>

namespace {

struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    Pipe()
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        CreatePipe(&read, &write, &inherit, 0);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    ~Pipe()
    {
        if (read) CloseHandle(read);
        if (write) CloseHandle(write);
    }
    void CloseWrite()
    {
        CloseHandle(write);
        write = nullptr;
    }
};

void Drain(HANDLE pipe, std::string &into)
{
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        into.append(buffer, got);
}

}  // namespace

std::wstring Quoted(const std::wstring &argument)
{
    std::wstring quoted = L"\"";
    for (wchar_t c : argument) {
        if (c == L'"')
            quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

ProgramRun RunProgram(const std::wstring &program, const std::wstring &arguments, DWORD timeoutMs)
{
    ProgramRun run;
    Pipe out, err;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    std::wstring commandLine = Quoted(program) + L" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return run;
    out.CloseWrite();
    err.CloseWrite();
    std::thread errReader(Drain, err.read, std::ref(run.err));
    Drain(out.read, run.out);
    errReader.join();
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    else
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}
