#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "logs/log_reader.h"
#include "logs/text_source.h"

// XML cut into tokens as it is read, without recursion and in bounded memory: text, CDATA
// sections and tags come one at a time, each held whole only up to kMaxXmlToken bytes; a longer
// one is passed over as it is read and given as `tooLong`. Comments, processing instructions and
// declarations (<!DOCTYPE ...>, <!ENTITY ...>) are passed over as they are read, however long,
// so nothing inside them is ever taken for markup or data; a declaration is said once as a note,
// since its entities are not read.
struct XmlToken {
    enum Kind { text, cdata, startTag, endTag, emptyTag, tooLong, end };
    Kind kind = end;
    std::string_view body;  // the text, the CDATA section's content, or the whole tag "<...>"
    std::size_t line = 0;   // where the token starts
    std::size_t bytes = 0;  // bytes of the file the token covers
};

inline constexpr std::size_t kMaxXmlToken = 64 * 1024;

class XmlScanner {
public:
    XmlScanner(TextSource& text, LogVisitor& visitor) : m_text(text), m_visitor(visitor) {}

    // The next token; its body stays valid until the next call.
    XmlToken next();

private:
    XmlToken heldToken(XmlToken::Kind kind, std::size_t bodyFrom, std::size_t bodyTo, std::size_t tokenEnd, std::size_t line);
    XmlToken passedOver(std::size_t line, std::size_t bytes);
    std::size_t skipPast(std::string_view close, std::size_t from);
    bool skipDeclaration();
    void endedInside(std::string_view what, std::size_t line);

    TextSource& m_text;
    LogVisitor& m_visitor;
    std::size_t m_pending = 0;  // bytes of the last token, consumed on the next call
    bool m_declarationSaid = false;
};

// A tag's name ("<CALL>", "</CALL >", "<APP PROGRAMID='X'/>" give CALL, CALL, APP), as written.
std::string_view XmlTagName(std::string_view tag);

// Whether a start or empty tag is well-formed: a name, then attributes name="value" or
// name='value' apart by blanks; the reason if not.
std::optional<std::string> XmlTagFault(std::string_view tag);

// The value of the attribute `name` (case-blind) of a well-formed tag, its references replaced;
// empty when the tag has none.
std::string XmlAttribute(std::string_view tag, std::string_view name);

// Appends text with its references replaced: the five predefined entities (&lt; &gt; &amp;
// &quot; &apos;) and character references (&#48; &#x30;). Any other entity is no data of the
// file (a DOCTYPE's entities are not read): the reason is returned, naming it.
std::optional<std::string> AppendXmlText(std::string& out, std::string_view text);
