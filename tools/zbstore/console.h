// Output of the desktop tool: German text, UTF-8 where it goes to a file or a pipe, UTF-16
// where it goes to a console; progress only on a console.
#pragma once
#include <string>

void Print(const std::string &utf8);       // standard output
void PrintError(const std::string &utf8);  // standard error
// Writes bytes to standard output unchanged (an export to "-").
bool WriteStandardOutput(const std::string &bytes);
std::string Utf8(const std::wstring &text);
// A file as a message names it. Through scripts/zbstore, which turns the user's Linux paths into
// Z:\ paths, a path the user gave comes back as the user spelled it and any other as its Linux
// path; run on its own, the Windows path.
std::string ShownPath(const std::wstring &path);

// "label: done von total" on one console line, every few hundred steps; Done ends the line.
class Progress {
public:
    Progress(const char *label, size_t total);
    ~Progress();
    void Step(size_t done);

private:
    std::string label_;
    size_t total_;
    bool shown_ = false;
    bool console_;
};
