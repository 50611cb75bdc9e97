// A small pull reader for the XML files zbstore imports: UTF-8 only, names resolved to their
// namespaces, and nothing a hostile file could make large: a DOCTYPE is refused, so only the
// five predefined entities and character references exist; depth, text and names have limits.
// Pure code, no system calls; fuzzed.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kMaxXmlDepth = 64;
constexpr size_t kMaxXmlText = 32767;  // characters of one text or attribute value: a spreadsheet cell's most
constexpr size_t kMaxXmlName = 256;    // bytes
constexpr size_t kMaxXmlAttributes = 256;

enum class XmlEvent { StartElement, EndElement, Text, End, Error };

struct XmlAttribute {
    std::string namespaceUri;  // empty for an attribute without prefix
    std::string localName;
    std::u16string value;
};

class XmlReader {
public:
    explicit XmlReader(const std::string &bytes) : bytes_(bytes) {}

    // The next event. End once the root element has closed and only comments, processing
    // instructions and blanks followed; Error at the first fault, and from then on.
    XmlEvent Next();

    // StartElement and EndElement: the element; Attributes() only for StartElement (namespace
    // declarations left out).
    const std::string &NamespaceUri() const { return namespaceUri_; }
    const std::string &LocalName() const { return localName_; }
    const std::vector<XmlAttribute> &Attributes() const { return attributes_; }
    // The value of an attribute with that namespace (or without prefix) and local name, or null.
    const std::u16string *Attribute(const char *namespaceUri, const char *localName) const;
    // Text: character data of one run (line ends as LF, references decoded).
    const std::u16string &Text() const { return text_; }
    // Elements open, counting a start element and an end element as open.
    size_t Depth() const { return depth_; }
    // Where the current event's markup begins; for Error, the byte at fault.
    size_t Offset() const { return offset_; }
    // Error: what is wrong, in German.
    const std::string &Problem() const { return problem_; }

private:
    struct OpenElement {
        std::string qualifiedName, namespaceUri, localName;
        size_t bindings;  // namespace bindings in force before its own
    };

    enum class Content { Text, Attribute, CData };

    XmlEvent Fail(size_t at, const std::string &problem);
    bool StartsWith(const char *text) const;
    void SkipBlanks();
    bool SkipPast(size_t skip, const char *end);
    bool ReadName(size_t from, std::string &name, size_t &end);
    bool Decode(size_t from, size_t to, Content content, std::u16string &out);
    bool Resolve(const std::string &qualifiedName, bool attribute, std::string &namespaceUri, std::string &localName);
    bool ReadDeclaration();
    XmlEvent ReadStartTag();
    XmlEvent ReadEndTag();
    XmlEvent ReadText(size_t from, size_t to, Content content, size_t next);
    XmlEvent Close();

    const std::string &bytes_;
    size_t at_ = 0;
    size_t offset_ = 0;
    size_t depth_ = 0;
    bool started_ = false;
    bool rootSeen_ = false;
    bool closeEmpty_ = false;  // the last start tag ended in "/>": its end event comes next
    bool failed_ = false;  // from then on, every event is Error
    std::vector<OpenElement> open_;
    std::vector<std::pair<std::string, std::string>> bindings_;  // prefix ("" default), namespace
    std::string namespaceUri_, localName_, problem_;
    std::vector<XmlAttribute> attributes_;
    std::u16string text_;
};
