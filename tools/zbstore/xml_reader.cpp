#include "xml_reader.h"
#include <algorithm>
#include <cstring>
#include "text_encoding.h"

namespace {

const char kXmlNamespace[] = "http://www.w3.org/XML/1998/namespace";
// The longest reference taken: "&#x0010FFFF;". So a text of n characters has at most 12 n bytes,
// and a longer run is refused before it is decoded.
constexpr size_t kMaxReference = 12;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameByte(unsigned char c, bool first)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80)
        return true;
    return !first && ((c >= '0' && c <= '9') || c == '-' || c == '.');
}

bool IsXmlChar(unsigned long c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendCodePoint(std::u16string &out, unsigned long c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// The character of a predefined entity or a character reference (name without '&' and ';'),
// or 0 when there is none.
unsigned long ReferencedChar(const std::string &name)
{
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "amp") return '&';
    if (name == "apos") return '\'';
    if (name == "quot") return '"';
    if (name.size() < 2 || name[0] != '#')
        return 0;
    const bool hex = name[1] == 'x';
    const size_t first = hex ? 2 : 1;
    if (first >= name.size())
        return 0;
    unsigned long value = 0;
    for (size_t i = first; i < name.size(); ++i) {
        const char c = name[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return 0;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF)
            return 0;
    }
    return IsXmlChar(value) ? value : 0;
}

}  // namespace

const std::u16string *XmlReader::Attribute(const char *namespaceUri, const char *localName) const
{
    for (const XmlAttribute &attribute : attributes_)
        if (attribute.localName == localName && attribute.namespaceUri == namespaceUri)
            return &attribute.value;
    for (const XmlAttribute &attribute : attributes_)
        if (attribute.localName == localName && attribute.namespaceUri.empty())
            return &attribute.value;
    return nullptr;
}

XmlEvent XmlReader::Fail(size_t at, const std::string &problem)
{
    failed_ = true;
    offset_ = at;
    problem_ = problem;
    return XmlEvent::Error;
}

bool XmlReader::StartsWith(const char *text) const { return bytes_.compare(at_, std::strlen(text), text) == 0; }

void XmlReader::SkipBlanks()
{
    while (at_ < bytes_.size() && IsBlank(bytes_[at_]))
        ++at_;
}

bool XmlReader::SkipPast(size_t skip, const char *end)
{
    const size_t found = bytes_.find(end, at_ + skip);
    if (found == std::string::npos)
        return false;
    at_ = found + std::strlen(end);
    return true;
}

bool XmlReader::ReadName(size_t from, std::string &name, size_t &end)
{
    end = from;
    while (end < bytes_.size() && end - from <= kMaxXmlName && IsNameByte(bytes_[end], end == from))
        ++end;
    name.assign(bytes_, from, end - from);
    std::u16string decoded;
    size_t bad = 0;
    if (name.empty())
        Fail(from, "Hier fehlt ein Name.");
    else if (name.size() > kMaxXmlName)
        Fail(from, "Ein Name ist länger als " + std::to_string(kMaxXmlName) + " Bytes.");
    else if (!DecodeUtf8(name.data(), name.size(), decoded, bad))
        Fail(from + bad, "Ungültiges UTF-8 in einem Namen.");
    return !failed_;
}

bool XmlReader::Decode(size_t from, size_t to, Content content, std::u16string &out)
{
    if (to - from > kMaxReference * kMaxXmlText) {
        Fail(from, "Hier stehen mehr als " + std::to_string(kMaxXmlText) + " Zeichen Text am Stück.");
        return false;
    }
    std::u16string piece;
    size_t run = from;
    // Literal text: valid UTF-8 of XML characters, line ends read as LF (in attribute values,
    // where literal blanks all become spaces, as a space).
    const auto flush = [&](size_t end) {
        for (size_t i = run; i < end; ++i) {
            const unsigned char c = bytes_[i];
            const bool noncharacter = c == 0xEF && i + 2 < end && static_cast<unsigned char>(bytes_[i + 1]) == 0xBF &&
                                      (static_cast<unsigned char>(bytes_[i + 2]) & 0xFE) == 0xBE;
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || noncharacter) {
                Fail(i, "Ein Zeichen, das in XML nicht vorkommen darf (Byte " + std::to_string(c) + ").");
                return false;
            }
            if (c == '<' && content == Content::Attribute) {
                Fail(i, "Ein < in einem Attributwert.");
                return false;
            }
        }
        size_t bad = 0;
        piece.clear();
        if (!DecodeUtf8(bytes_.data() + run, end - run, piece, bad)) {
            Fail(run + bad, "Ungültiges UTF-8.");
            return false;
        }
        for (size_t i = 0; i < piece.size(); ++i) {
            char16_t c = piece[i];
            if (c == u'\r' && i + 1 < piece.size() && piece[i + 1] == u'\n')
                continue;
            if (c == u'\r')
                c = u'\n';
            if (content == Content::Attribute && (c == u'\n' || c == u'\t'))
                c = u' ';
            out += c;
        }
        return true;
    };
    for (size_t i = from; i < to; ++i) {
        if (bytes_[i] != '&' || content == Content::CData)
            continue;
        if (!flush(i))
            return false;
        size_t semicolon = i + 1;
        while (semicolon < to && semicolon - i < kMaxReference && bytes_[semicolon] != ';')
            ++semicolon;
        const unsigned long c =
            semicolon < to && bytes_[semicolon] == ';' ? ReferencedChar(bytes_.substr(i + 1, semicolon - i - 1)) : 0;
        if (c == 0) {
            Fail(i, "Nach & steht keine bekannte Entität: nur &lt; &gt; &amp; &apos; &quot; und Zeichenreferenzen "
                    "wie &#228; gelten.");
            return false;
        }
        AppendCodePoint(out, c);
        i = semicolon;
        run = semicolon + 1;
    }
    if (!flush(to))
        return false;
    if (out.size() > kMaxXmlText) {
        Fail(from, "Hier stehen mehr als " + std::to_string(kMaxXmlText) + " Zeichen Text am Stück.");
        return false;
    }
    return true;
}

bool XmlReader::Resolve(const std::string &qualifiedName, bool attribute, std::string &namespaceUri,
                        std::string &localName)
{
    const size_t colon = qualifiedName.find(':');
    std::string prefix;
    if (colon == std::string::npos) {
        localName = qualifiedName;
    } else {
        prefix = qualifiedName.substr(0, colon);
        localName = qualifiedName.substr(colon + 1);
        if (prefix.empty() || localName.empty() || localName.find(':') != std::string::npos) {
            Fail(offset_, "Der Name \"" + qualifiedName + "\" ist kein gültiger Name mit Namensraum.");
            return false;
        }
    }
    namespaceUri.clear();
    if (prefix.empty() && attribute)
        return true;
    if (prefix == "xml") {
        namespaceUri = kXmlNamespace;
        return true;
    }
    for (size_t i = bindings_.size(); i-- > 0;) {
        if (bindings_[i].first == prefix) {
            namespaceUri = bindings_[i].second;
            return true;
        }
    }
    if (prefix.empty())
        return true;
    Fail(offset_, "Das Präfix \"" + prefix + "\" ist nirgends erklärt (xmlns:" + prefix + ").");
    return false;
}

bool XmlReader::ReadDeclaration()
{
    if (bytes_.compare(0, 2, "\xFF\xFE") == 0 || bytes_.compare(0, 2, "\xFE\xFF") == 0) {
        Fail(0, "Die Datei ist in UTF-16 gespeichert; gelesen wird nur UTF-8.");
        return false;
    }
    if (bytes_.compare(0, 3, "\xEF\xBB\xBF") == 0)
        at_ = 3;
    if (!StartsWith("<?xml") || at_ + 5 >= bytes_.size() || !IsBlank(bytes_[at_ + 5]))
        return true;
    const size_t end = bytes_.find("?>", at_);
    if (end == std::string::npos) {
        Fail(at_, "Die XML-Deklaration <?xml wird nie geschlossen.");
        return false;
    }
    const size_t encoding = bytes_.find("encoding", at_);
    if (encoding < end) {
        const size_t quote = bytes_.find_first_of("\"'", encoding);
        const size_t close = quote < end ? bytes_.find(bytes_[quote], quote + 1) : std::string::npos;
        std::string name = close < end ? bytes_.substr(quote + 1, close - quote - 1) : std::string();
        for (char &c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        if (name != "UTF-8") {
            Fail(encoding, "Die Datei ist nicht in UTF-8 gespeichert (encoding=\"" +
                               (close < end ? bytes_.substr(quote + 1, close - quote - 1) : std::string()) + "\").");
            return false;
        }
    }
    at_ = end + 2;
    return true;
}

XmlEvent XmlReader::Close()
{
    const OpenElement &element = open_.back();
    depth_ = open_.size();
    namespaceUri_ = element.namespaceUri;
    localName_ = element.localName;
    bindings_.resize(element.bindings);
    open_.pop_back();
    return XmlEvent::EndElement;
}

XmlEvent XmlReader::ReadStartTag()
{
    std::string name;
    size_t at = 0;
    if (!ReadName(at_ + 1, name, at))
        return XmlEvent::Error;
    if (open_.empty() && rootSeen_)
        return Fail(offset_, "Nach dem Ende des Wurzelelements beginnt ein zweites: <" + name + ">.");
    if (open_.size() >= kMaxXmlDepth)
        return Fail(offset_, "Die Elemente sind tiefer als " + std::to_string(kMaxXmlDepth) + " Ebenen verschachtelt.");
    at_ = at;
    std::vector<std::pair<std::string, std::u16string>> raw;
    bool empty = false;
    for (;;) {
        const size_t blanks = at_;
        SkipBlanks();
        if (at_ >= bytes_.size())
            return Fail(offset_, "Die Datei endet mitten im Tag <" + name + ">.");
        if (bytes_[at_] == '>') {
            ++at_;
            break;
        }
        if (StartsWith("/>")) {
            at_ += 2;
            empty = true;
            break;
        }
        if (blanks == at_)
            return Fail(at_, "Im Tag <" + name + "> fehlt hier ein Leerzeichen oder >.");
        std::string attribute;
        if (!ReadName(at_, attribute, at))
            return XmlEvent::Error;
        at_ = at;
        SkipBlanks();
        if (at_ >= bytes_.size() || bytes_[at_] != '=')
            return Fail(at_, "Nach dem Attribut " + attribute + " fehlt ein =.");
        ++at_;
        SkipBlanks();
        if (at_ >= bytes_.size() || (bytes_[at_] != '"' && bytes_[at_] != '\''))
            return Fail(at_, "Der Wert des Attributs " + attribute + " steht nicht in Anführungszeichen.");
        const size_t close = bytes_.find(bytes_[at_], at_ + 1);
        if (close == std::string::npos)
            return Fail(at_, "Der Wert des Attributs " + attribute + " wird nie geschlossen.");
        for (const auto &earlier : raw)
            if (earlier.first == attribute)
                return Fail(at_, "Das Attribut " + attribute + " steht zweimal im Tag <" + name + ">.");
        if (raw.size() >= kMaxXmlAttributes)
            return Fail(at_, "Das Tag <" + name + "> hat mehr als " + std::to_string(kMaxXmlAttributes) + " Attribute.");
        std::u16string value;
        if (!Decode(at_ + 1, close, Content::Attribute, value))
            return XmlEvent::Error;
        raw.emplace_back(attribute, std::move(value));
        at_ = close + 1;
    }

    const size_t bindingsBefore = bindings_.size();
    for (const auto &attribute : raw) {
        if (attribute.first == "xmlns") {
            bindings_.emplace_back("", ToUtf8(attribute.second));
        } else if (attribute.first.compare(0, 6, "xmlns:") == 0) {
            if (attribute.second.empty())
                return Fail(offset_, "Das Präfix " + attribute.first.substr(6) + " wird mit einem leeren Namensraum erklärt.");
            bindings_.emplace_back(attribute.first.substr(6), ToUtf8(attribute.second));
        }
    }
    std::string namespaceUri, localName;
    if (!Resolve(name, false, namespaceUri, localName))
        return XmlEvent::Error;
    attributes_.clear();
    for (auto &attribute : raw) {
        if (attribute.first == "xmlns" || attribute.first.compare(0, 6, "xmlns:") == 0)
            continue;
        XmlAttribute resolved;
        if (!Resolve(attribute.first, true, resolved.namespaceUri, resolved.localName))
            return XmlEvent::Error;
        for (const XmlAttribute &earlier : attributes_)
            if (earlier.localName == resolved.localName && earlier.namespaceUri == resolved.namespaceUri)
                return Fail(offset_, "Das Attribut " + attribute.first + " steht zweimal im Tag <" + name + ">.");
        resolved.value = std::move(attribute.second);
        attributes_.push_back(std::move(resolved));
    }
    open_.push_back(OpenElement{name, namespaceUri, localName, bindingsBefore});
    rootSeen_ = true;
    closeEmpty_ = empty;
    depth_ = open_.size();
    namespaceUri_ = namespaceUri;
    localName_ = localName;
    return XmlEvent::StartElement;
}

XmlEvent XmlReader::ReadEndTag()
{
    std::string name;
    size_t at = 0;
    if (!ReadName(at_ + 2, name, at))
        return XmlEvent::Error;
    at_ = at;
    SkipBlanks();
    if (at_ >= bytes_.size() || bytes_[at_] != '>')
        return Fail(at_, "Das Tag </" + name + "> endet nicht mit >.");
    ++at_;
    if (open_.empty())
        return Fail(offset_, "</" + name + "> schließt kein offenes Element.");
    if (open_.back().qualifiedName != name)
        return Fail(offset_, "</" + name + "> steht, wo <" + open_.back().qualifiedName + "> geschlossen werden muss.");
    return Close();
}

XmlEvent XmlReader::ReadText(size_t from, size_t to, Content content, size_t next)
{
    text_.clear();
    if (!Decode(from, to, content, text_))
        return XmlEvent::Error;
    at_ = next;
    depth_ = open_.size();
    return XmlEvent::Text;
}

XmlEvent XmlReader::Next()
{
    if (failed_)
        return XmlEvent::Error;
    if (!started_) {
        started_ = true;
        if (!ReadDeclaration())
            return XmlEvent::Error;
    }
    if (closeEmpty_) {
        closeEmpty_ = false;
        return Close();
    }
    attributes_.clear();
    while (at_ < bytes_.size()) {
        offset_ = at_;
        if (bytes_[at_] != '<') {
            if (!open_.empty()) {
                const size_t end = std::min(bytes_.find('<', at_), bytes_.size());
                return ReadText(at_, end, Content::Text, end);
            }
            SkipBlanks();
            if (at_ < bytes_.size() && bytes_[at_] != '<')
                return Fail(at_, rootSeen_ ? "Nach dem Ende des Wurzelelements steht noch Text."
                                           : "Hier beginnt kein XML-Element: die Datei ist keine XML-Datei.");
            continue;
        }
        if (StartsWith("<?")) {
            if (!SkipPast(2, "?>"))
                return Fail(offset_, "Eine Verarbeitungsanweisung <? wird nie geschlossen.");
        } else if (StartsWith("<!--")) {
            if (!SkipPast(4, "-->"))
                return Fail(offset_, "Ein Kommentar <!-- wird nie geschlossen.");
        } else if (StartsWith("<![CDATA[")) {
            const size_t end = bytes_.find("]]>", at_);
            if (open_.empty())
                return Fail(offset_, "Ein CDATA-Abschnitt steht außerhalb des Wurzelelements.");
            if (end == std::string::npos)
                return Fail(offset_, "Ein CDATA-Abschnitt wird nie geschlossen.");
            return ReadText(at_ + 9, end, Content::CData, end + 3);
        } else if (StartsWith("<!DOCTYPE")) {
            return Fail(offset_, "Die Datei hat eine DOCTYPE-Angabe; solche Dateien werden nicht gelesen.");
        } else if (StartsWith("<!")) {
            return Fail(offset_, "Unbekannte Angabe nach <!.");
        } else if (StartsWith("</")) {
            return ReadEndTag();
        } else {
            return ReadStartTag();
        }
    }
    offset_ = at_;
    if (!rootSeen_)
        return Fail(at_, "Die Datei enthält kein XML-Element.");
    if (!open_.empty())
        return Fail(at_, "Die Datei endet, bevor <" + open_.back().qualifiedName + "> geschlossen ist.");
    return XmlEvent::End;
}
