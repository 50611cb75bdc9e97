// A small HTML reader for the help file: enough for headings, paragraphs, lists, line breaks
// and entities. Anything else (styles, scripts, comments, unknown tags) is left out.
#include "help_document.h"
#include <windows.h>
#include <algorithm>
#include <cwctype>
#include <utility>
#include <vector>

namespace {

enum class BlockKind { Heading, Paragraph, Item };

struct Block {
    BlockKind kind;
    std::wstring text;
};

struct Document {
    std::wstring title;
    std::vector<Block> blocks;
    std::vector<std::pair<std::wstring, size_t>> anchors;  // name, index of the block it starts
};

std::wstring Lower(std::wstring text)
{
    for (auto &c : text) c = (wchar_t)std::towlower(c);
    return text;
}

wchar_t EntityCharacter(const std::wstring &name)
{
    static const std::pair<const wchar_t *, wchar_t> named[] = {
        {L"amp", L'&'},       {L"lt", L'<'},        {L"gt", L'>'},         {L"quot", L'"'},
        {L"apos", L'\''},     {L"nbsp", L'\u00A0'}, {L"auml", L'\u00E4'},  {L"ouml", L'\u00F6'},
        {L"uuml", L'\u00FC'}, {L"Auml", L'\u00C4'}, {L"Ouml", L'\u00D6'},  {L"Uuml", L'\u00DC'},
        {L"szlig", L'\u00DF'}, {L"ndash", L'\u2013'}, {L"mdash", L'\u2014'}, {L"bdquo", L'\u201E'},
        {L"ldquo", L'\u201C'}, {L"rdquo", L'\u201D'}, {L"hellip", L'\u2026'}, {L"times", L'\u00D7'},
    };
    if (name.size() > 1 && name[0] == L'#') {
        const bool hex = name[1] == L'x' || name[1] == L'X';
        const std::wstring digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 6) return 0;
        wchar_t *end = nullptr;
        const unsigned long code = wcstoul(digits.c_str(), &end, hex ? 16 : 10);
        if (*end || code == 0 || code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
        return (wchar_t)code;
    }
    for (const auto &entry : named)
        if (name == entry.first) return entry.second;
    return 0;
}

// Reads one attribute value (quoted or bare) of a tag's inner text, case-insensitive name.
std::wstring AttributeValue(const std::wstring &tag, const wchar_t *name)
{
    const std::wstring lower = Lower(tag);
    const std::wstring key = name;
    size_t at = 0;
    while ((at = lower.find(key, at)) != std::wstring::npos) {
        const bool startsWord = at > 0 && std::iswspace(lower[at - 1]);
        size_t p = at + key.size();
        while (p < lower.size() && std::iswspace(lower[p])) ++p;
        if (!startsWord || p >= lower.size() || lower[p] != L'=') {
            at += key.size();
            continue;
        }
        ++p;
        while (p < tag.size() && std::iswspace(tag[p])) ++p;
        if (p >= tag.size()) return L"";
        if (tag[p] == L'"' || tag[p] == L'\'') {
            const size_t close = tag.find(tag[p], p + 1);
            return tag.substr(p + 1, close == std::wstring::npos ? std::wstring::npos : close - p - 1);
        }
        size_t end = p;
        while (end < tag.size() && !std::iswspace(tag[end]) && tag[end] != L'/') ++end;
        return tag.substr(p, end - p);
    }
    return L"";
}

class Reader {
public:
    Document Read(const std::wstring &html)
    {
        size_t i = 0;
        while (i < html.size()) {
            if (html[i] == L'<') {
                i = ReadTag(html, i);
            } else if (html[i] == L'&') {
                i = ReadEntity(html, i);
            } else {
                AddCharacter(html[i]);
                ++i;
            }
        }
        Flush();
        return std::move(document_);
    }

private:
    size_t ReadTag(const std::wstring &html, size_t start)
    {
        if (html.compare(start, 4, L"<!--") == 0) {
            const size_t end = html.find(L"-->", start + 4);
            return end == std::wstring::npos ? html.size() : end + 3;
        }
        const size_t end = html.find(L'>', start);
        if (end == std::wstring::npos) return html.size();
        const std::wstring inner = html.substr(start + 1, end - start - 1);
        const bool closing = !inner.empty() && inner[0] == L'/';
        size_t nameEnd = closing ? 1 : 0;
        while (nameEnd < inner.size() && std::iswalnum(inner[nameEnd])) ++nameEnd;
        const std::wstring name = Lower(inner.substr(closing ? 1 : 0, nameEnd - (closing ? 1 : 0)));

        if (!closing && (name == L"script" || name == L"style")) {
            const size_t close = Lower(html).find(L"</" + name, end);
            if (close == std::wstring::npos) return html.size();
            const size_t closeEnd = html.find(L'>', close);
            return closeEnd == std::wstring::npos ? html.size() : closeEnd + 1;
        }
        // The tag first ends the block before it; its anchor then belongs to what follows.
        OnTag(name, closing);
        if (!closing) NoteAnchor(inner);
        return end + 1;
    }

    void NoteAnchor(const std::wstring &inner)
    {
        for (const wchar_t *attribute : {L"id", L"name"}) {
            const std::wstring value = AttributeValue(inner, attribute);
            if (!value.empty()) {
                // The anchor starts the block that follows (or the one just begun).
                pendingAnchors_.push_back(value);
                return;
            }
        }
    }

    void OnTag(const std::wstring &name, bool closing)
    {
        const bool heading = name.size() == 2 && name[0] == L'h' && name[1] >= L'1' && name[1] <= L'6';
        if (name == L"title") {
            Flush();
            inTitle_ = !closing;
        } else if (heading || name == L"p" || name == L"div" || name == L"li" || name == L"ul" || name == L"ol" ||
                   name == L"tr" || name == L"table" || name == L"body") {
            Flush();
            if (!closing) kind_ = heading ? BlockKind::Heading : (name == L"li" ? BlockKind::Item : BlockKind::Paragraph);
        } else if (name == L"br") {
            current_ += L"\r\n";
            pendingSpace_ = false;
        }
    }

    size_t ReadEntity(const std::wstring &html, size_t start)
    {
        const size_t end = html.find(L';', start);
        if (end != std::wstring::npos && end - start <= 10) {
            const wchar_t c = EntityCharacter(html.substr(start + 1, end - start - 1));
            if (c) {
                AddCharacter(c == L'\u00A0' ? L' ' : c, c == L'\u00A0');
                return end + 1;
            }
        }
        AddCharacter(L'&');
        return start + 1;
    }

    void AddCharacter(wchar_t c, bool hardSpace = false)
    {
        std::wstring &target = inTitle_ ? document_.title : current_;
        if (!hardSpace && std::iswspace(c)) {
            pendingSpace_ = !target.empty();
            return;
        }
        if (pendingSpace_) target += L' ';
        pendingSpace_ = false;
        target += c;
    }

    void Flush()
    {
        pendingSpace_ = false;
        for (auto &anchor : pendingAnchors_) document_.anchors.emplace_back(std::move(anchor), document_.blocks.size());
        pendingAnchors_.clear();
        if (!current_.empty()) document_.blocks.push_back({kind_, std::move(current_)});
        current_.clear();
        kind_ = BlockKind::Paragraph;
    }

    Document document_;
    std::wstring current_;
    BlockKind kind_ = BlockKind::Paragraph;
    std::vector<std::wstring> pendingAnchors_;
    bool pendingSpace_ = false;
    bool inTitle_ = false;
};

void AppendBlock(std::wstring &text, const Block &block, BlockKind previous, bool first)
{
    if (!first) text += (block.kind == BlockKind::Item && previous == BlockKind::Item) ? L"\r\n" : L"\r\n\r\n";
    if (block.kind == BlockKind::Item) text += L"\u2022 ";
    text += block.text;
}

}  // namespace

std::wstring DecodeUtf8(const std::string &bytes)
{
    size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (bytes.size() <= skip) return L"";
    const int size = (int)std::min<size_t>(bytes.size() - skip, 0x7FFFFFFF);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, size, nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, size, &text[0], length);
    return text;
}

HelpSection ExtractHelpSection(const std::wstring &html, const std::wstring &anchor)
{
    const Document document = Reader().Read(html);
    size_t first = 0;
    size_t last = document.blocks.size();
    HelpSection section;
    for (size_t a = 0; a < document.anchors.size() && !anchor.empty(); ++a) {
        if (document.anchors[a].first != anchor) continue;
        section.anchorFound = true;
        first = document.anchors[a].second;
        for (size_t b = a + 1; b < document.anchors.size(); ++b) {
            if (document.anchors[b].second > first) {
                last = document.anchors[b].second;
                break;
            }
        }
        break;
    }
    if (!section.anchorFound) section.heading = document.title;
    bool firstBlock = true;
    BlockKind previous = BlockKind::Paragraph;
    for (size_t i = first; i < last && i < document.blocks.size(); ++i) {
        const Block &block = document.blocks[i];
        if (section.anchorFound && section.heading.empty() && block.kind == BlockKind::Heading) {
            section.heading = block.text;
            continue;
        }
        AppendBlock(section.text, block, previous, firstBlock);
        firstBlock = false;
        previous = block.kind;
    }
    return section;
}
