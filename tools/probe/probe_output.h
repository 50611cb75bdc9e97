// The probe's output: UTF-8 lines on standard output, whatever the console code page.
#pragma once
#include <string>
#include <vector>

void PrintLine(const std::wstring &line);
void PrintLines(const std::vector<std::wstring> &lines);
