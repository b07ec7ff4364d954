#include "logs/xml_scanner.h"

#include <charconv>

#include "logs/qso_fields.h"

namespace {

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
    return !IsXmlBlank(c) && c != '/' && c != '<' && c != '>' && c != '=' && c != '"' && c != '\'' && c != '&';
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && IsXmlBlank(text[at])) ++at;
    return at;
}

// Each attribute of a start or empty tag, name and raw value, to `visit`; the fault that makes
// the tag not well-formed, if any.
template <typename Visit>
std::optional<std::string> ForEachAttribute(std::string_view tag, Visit visit) {
    if (tag.size() < 3 || tag.front() != '<' || tag.back() != '>') return "tag " + std::string(tag.substr(0, 40)) + " is cut";
    std::string_view inner = tag.substr(1, tag.size() - 2);
    if (inner.ends_with('/')) inner.remove_suffix(1);
    std::size_t at = 0;
    while (at < inner.size() && IsNameChar(inner[at])) ++at;
    if (at == 0) return "tag " + std::string(tag.substr(0, 40)) + " has no name";
    while (true) {
        const std::size_t blanksFrom = at;
        at = SkipBlanks(inner, at);
        if (at == inner.size()) return std::nullopt;
        const std::size_t nameFrom = at;
        while (at < inner.size() && IsNameChar(inner[at])) ++at;
        const std::string_view name = inner.substr(nameFrom, at - nameFrom);
        const std::string bad = "attribute in " + std::string(tag.substr(0, 40)) + " is not name=\"value\"";
        if (name.empty() || blanksFrom == nameFrom) return bad;
        at = SkipBlanks(inner, at);
        if (at == inner.size() || inner[at] != '=') return bad;
        at = SkipBlanks(inner, at + 1);
        if (at == inner.size() || (inner[at] != '"' && inner[at] != '\'')) return bad;
        const std::size_t close = inner.find(inner[at], at + 1);
        if (close == std::string_view::npos) return bad;
        const std::string_view value = inner.substr(at + 1, close - at - 1);
        if (value.find('<') != std::string_view::npos) return bad;
        visit(name, value);
        at = close + 1;
    }
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::optional<std::uint32_t> CharacterOfReference(std::string_view digits) {
    const bool hex = digits.starts_with('x');
    if (hex) digits.remove_prefix(1);
    std::uint32_t code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    const bool isXmlChar = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code < 0xD800) ||
                           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
    return isXmlChar ? std::optional(code) : std::nullopt;
}

}  // namespace

std::string_view XmlTagName(std::string_view tag) {
    std::size_t from = 1;
    if (from < tag.size() && tag[from] == '/') ++from;
    std::size_t to = from;
    while (to < tag.size() && IsNameChar(tag[to])) ++to;
    return tag.substr(from, to - from);
}

std::optional<std::string> XmlTagFault(std::string_view tag) {
    return ForEachAttribute(tag, [](std::string_view, std::string_view) {});
}

std::string XmlAttribute(std::string_view tag, std::string_view name) {
    std::string found;
    const std::string wanted = ToUpperAscii(name);
    ForEachAttribute(tag, [&](std::string_view attribute, std::string_view value) {
        if (found.empty() && ToUpperAscii(attribute) == wanted && AppendXmlText(found, value)) found.clear();
    });
    return found;
}

std::optional<std::string> AppendXmlText(std::string& out, std::string_view text) {
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        out.append(text.substr(0, amp));
        if (amp == std::string_view::npos) return std::nullopt;
        const std::size_t semicolon = text.find(';', amp);
        if (semicolon == std::string_view::npos || semicolon - amp > 40)
            return "a '&' that starts no reference: " + std::string(text.substr(amp, 12));
        const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
        if (name.starts_with('#')) {
            const auto code = CharacterOfReference(name.substr(1));
            if (!code) return "&" + std::string(name) + "; is no character";
            AppendUtf8(out, *code);
        } else if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "amp") {
            out += '&';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "apos") {
            out += '\'';
        } else {
            return "the entity &" + std::string(name) + "; is not defined (entities declared in a DOCTYPE are not read)";
        }
        text.remove_prefix(semicolon + 1);
    }
    return std::nullopt;
}

XmlToken XmlScanner::next() {
    m_text.consume(m_pending);
    m_pending = 0;
    while (true) {
        std::string_view held = m_text.held();
        if (held.empty()) {
            if (!m_text.readMore()) return {XmlToken::end, {}, m_text.line(), 0};
            continue;
        }
        const std::size_t line = m_text.line();
        if (held.front() != '<') {
            std::size_t searched = 0;
            while (true) {
                held = m_text.held();
                if (const std::size_t lt = held.find('<', searched); lt != std::string_view::npos)
                    return heldToken(XmlToken::text, 0, lt, lt, line);
                if (held.size() > kMaxXmlToken) break;
                searched = held.size();
                if (!m_text.readMore()) return heldToken(XmlToken::text, 0, held.size(), held.size(), line);
            }
            // Text far longer than any field: passed over up to the next markup.
            std::size_t bytes = 0;
            while (true) {
                held = m_text.held();
                const std::size_t lt = held.find('<');
                const std::size_t drop = lt == std::string_view::npos ? held.size() : lt;
                m_text.consume(drop);
                bytes += drop;
                if (lt != std::string_view::npos || !m_text.readMore()) return passedOver(line, bytes);
            }
        }
        m_text.ensure(9);
        held = m_text.held();
        if (held.starts_with("<!--")) {
            if (skipPast("-->", 4) == std::string_view::npos) endedInside("a comment", line);
            continue;
        }
        if (held.starts_with("<?")) {
            if (skipPast("?>", 2) == std::string_view::npos) endedInside("a processing instruction", line);
            continue;
        }
        const bool cdata = held.starts_with("<![CDATA[");
        if (!cdata && held.starts_with("<!")) {
            if (!m_declarationSaid) {
                m_declarationSaid = true;
                m_visitor.note({line, "a DOCTYPE or another declaration is passed over: entities it declares are not read, "
                                      "and a record that uses one is named and skipped"});
            }
            if (!skipDeclaration()) endedInside("a declaration", line);
            continue;
        }
        const std::string_view close = cdata ? "]]>" : ">";
        const std::size_t bodyFrom = cdata ? 9 : 0;
        std::size_t searched = bodyFrom;
        while (true) {
            held = m_text.held();
            if (const std::size_t at = held.find(close, searched); at != std::string_view::npos) {
                if (cdata) return heldToken(XmlToken::cdata, bodyFrom, at, at + close.size(), line);
                const std::string_view tag = held.substr(0, at + 1);
                const XmlToken::Kind kind = tag.starts_with("</") ? XmlToken::endTag
                                            : tag.ends_with("/>") ? XmlToken::emptyTag
                                                                  : XmlToken::startTag;
                return heldToken(kind, 0, at + 1, at + 1, line);
            }
            if (held.size() > kMaxXmlToken) {
                const std::size_t bytes = skipPast(close, searched);
                if (bytes == std::string_view::npos) endedInside(cdata ? "a CDATA section" : "a tag", line);
                return passedOver(line, bytes);
            }
            searched = held.size() >= close.size() ? std::max(bodyFrom, held.size() - close.size() + 1) : bodyFrom;
            if (!m_text.readMore()) {
                endedInside(cdata ? "a CDATA section" : "a tag", line);
                m_text.consume(m_text.held().size());
                return {XmlToken::end, {}, m_text.line(), 0};
            }
        }
    }
}

XmlToken XmlScanner::heldToken(XmlToken::Kind kind, std::size_t bodyFrom, std::size_t bodyTo, std::size_t tokenEnd,
                               std::size_t line) {
    m_pending = tokenEnd;
    return {kind, m_text.held().substr(bodyFrom, bodyTo - bodyFrom), line, tokenEnd};
}

XmlToken XmlScanner::passedOver(std::size_t line, std::size_t bytes) { return {XmlToken::tooLong, {}, line, bytes}; }

// Consumes up to and past `close`, looked for from `from`, however far; the bytes consumed, or
// npos when the text ends first (all of it consumed).
std::size_t XmlScanner::skipPast(std::string_view close, std::size_t from) {
    std::size_t consumed = 0;
    std::size_t searched = from;
    while (true) {
        const std::string_view held = m_text.held();
        if (const std::size_t at = held.find(close, searched); at != std::string_view::npos) {
            m_text.consume(at + close.size());
            return consumed + at + close.size();
        }
        // The last bytes may be the start of `close`: they stay.
        const std::size_t drop = held.size() >= close.size() ? held.size() - close.size() + 1 : 0;
        m_text.consume(drop);
        consumed += drop;
        searched = searched > drop ? searched - drop : 0;
        if (!m_text.readMore()) {
            m_text.consume(m_text.held().size());
            return std::string_view::npos;
        }
    }
}

// Consumes a declaration (<!DOCTYPE ...> with its internal subset in [...]), however long;
// false when the text ends first.
bool XmlScanner::skipDeclaration() {
    std::size_t at = 2;
    char quote = 0;
    std::size_t depth = 0;
    while (true) {
        const std::string_view held = m_text.held();
        for (; at < held.size(); ++at) {
            const char c = held[at];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']') {
                if (depth > 0) --depth;
            } else if (c == '>' && depth == 0) {
                m_text.consume(at + 1);
                return true;
            }
        }
        m_text.consume(held.size());
        at = 0;
        if (!m_text.readMore()) return false;
    }
}

void XmlScanner::endedInside(std::string_view what, std::size_t line) {
    m_visitor.problem({line, "the file ends inside " + std::string(what) + " that starts here"});
}
