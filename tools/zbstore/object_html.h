// Objects as one self-contained HTML page for printing: grouped by category, every text
// escaped, laid out for A4. Pure code, no system calls.
#pragma once
#include <string>
#include <vector>
#include "object_row.h"

// rows in the program's name order; categories in the category list's order. Groups follow
// that order, then categories no longer in the list, then objects without one ("Ohne Kategorie").
std::string WriteObjectsHtml(const std::vector<ObjectRow> &rows, const std::vector<std::u16string> &categories);
std::string HtmlEscaped(const std::u16string &text);
