// The help viewer's fonts: the first face of a preference list that is installed and draws every
// character of a sample, so that German quotes, umlauts and letter spacing come out right
// wherever the viewer runs.
#pragma once
#include <windows.h>
#include <string>

// The characters German help text needs beyond ASCII.
extern const wchar_t kGermanSample[];

// A font of `height` (as LOGFONT's lfHeight) and `weight` in the first preferred face that is
// installed and has a glyph for every character of `sample`; the last face when none has.
HFONT CreateReadingFont(int height, int weight, const std::wstring &sample);
// Whether `font` has a glyph of its own for every character of `text` (line ends aside).
bool FontHasGlyphs(HFONT font, const std::wstring &text);
// The face name of `font` as the system chose it.
std::wstring FontFace(HFONT font);
