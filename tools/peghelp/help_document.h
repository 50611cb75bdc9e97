// The help file of PegHelp: HTML reduced to headings, paragraphs and list items, and the
// section that belongs to an anchor.
#pragma once
#include <string>

struct HelpSection {
    std::wstring heading;  // the section's first heading (the document title when shown whole)
    std::wstring text;     // the rest as plain text, paragraphs separated by blank lines (CR LF)
    bool anchorFound = false;
};

// UTF-8 bytes (a BOM is skipped) to UTF-16; invalid sequences become U+FFFD.
std::wstring DecodeUtf8(const std::string &bytes);
// The section of `anchor` (an id= or name= attribute) up to the next anchor. An empty or unknown
// anchor gives the whole document from the top.
HelpSection ExtractHelpSection(const std::wstring &html, const std::wstring &anchor);
