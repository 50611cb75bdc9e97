#include "reading_font.h"
#include <vector>
#include "common/unique_handles.h"

const wchar_t kGermanSample[] = L"\u201E\u201C\u201A\u2018\u2013\u2026\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF";

namespace {

// Faces hinted for reading at small sizes: the desktop's own, the one Linux brings (Wine finds it
// through fontconfig), and the handheld's Tahoma last. Wine's stand-in Tahoma draws a closing
// quote as a single tick and spaces "j" apart at this size.
const wchar_t *const kFaces[] = {L"Segoe UI", L"DejaVu Sans", L"Tahoma"};

int CALLBACK OnFaceFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool FaceInstalled(const wchar_t *face)
{
    ClientDC dc;
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc.get(), &font, OnFaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

HFONT CreateFace(const wchar_t *face, int height, int weight)
{
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

}  // namespace

bool FontHasGlyphs(HFONT font, const std::wstring &text)
{
    ClientDC dc;
    if (!dc.get() || !font) return false;
    const HGDIOBJ old = SelectObject(dc.get(), font);
    std::vector<WORD> glyphs(text.size() + 1);
    const DWORD got = GetGlyphIndicesW(dc.get(), text.c_str(), (int)text.size(), glyphs.data(),
                                       GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc.get(), old);
    if (got == GDI_ERROR) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF && text[i] != L'\r' && text[i] != L'\n') return false;
    return true;
}

std::wstring FontFace(HFONT font)
{
    ClientDC dc;
    const HGDIOBJ old = SelectObject(dc.get(), font);
    wchar_t face[LF_FACESIZE] = L"";
    GetTextFaceW(dc.get(), LF_FACESIZE, face);
    SelectObject(dc.get(), old);
    return face;
}

HFONT CreateReadingFont(int height, int weight, const std::wstring &sample)
{
    for (const wchar_t *face : kFaces) {
        if (!FaceInstalled(face)) continue;
        HFONT font = CreateFace(face, height, weight);
        if (font && FontHasGlyphs(font, sample)) return font;
        if (font) DeleteObject(font);
    }
    return CreateFace(kFaces[ARRAYSIZE(kFaces) - 1], height, weight);
}
