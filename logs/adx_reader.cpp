// ADX, ADIF's XML form: <ADX><HEADER>...</HEADER><RECORDS><RECORD><CALL>UT2AB</CALL>...</RECORD>
// ...</RECORDS></ADX>. ADX has a fixed shape, records of fields that hold text, so the reader
// keeps no stack of elements: it knows whether it is in a record and in which field, and a record
// with anything deeper (an element inside a field), a tag closed by another's end tag, an entity
// ADX does not define or more than kMaxRecordLength bytes is named and skipped whole, up to its
// </RECORD>. A <RECORD> before the last one's </RECORD> names that one as unclosed and starts a
// new record, so one lost end tag costs one record. The tokens come from XmlScanner, which holds
// at most one token, so a log of any size or depth takes the memory of one record.
#include <string>
#include <utility>
#include <vector>

#include "logs/adif_record.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_readers.h"
#include "logs/xml_scanner.h"

namespace {

// Far longer than any real record; a longer one is skipped rather than held.
constexpr std::size_t kMaxRecordLength = 1024 * 1024;

bool NameIs(std::string_view name, std::string_view upper) {
    return name.size() == upper.size() && ToUpperAscii(name) == upper;
}

// The name a field of an ADX record has in ADIF's tagged form: the element's name, and for an
// application's field APP_<PROGRAMID>_<FIELDNAME>, for a user's field its FIELDNAME.
std::string FieldName(std::string_view tag) {
    const std::string name = ToUpperAscii(XmlTagName(tag));
    if (name == "APP")
        return "APP_" + ToUpperAscii(XmlAttribute(tag, "PROGRAMID")) + "_" + ToUpperAscii(XmlAttribute(tag, "FIELDNAME"));
    if (name == "USERDEF") return ToUpperAscii(XmlAttribute(tag, "FIELDNAME"));
    return name;
}

// The record being read: its fields, or the fault that skips it.
class OpenRecord {
public:
    bool open() const { return m_open; }
    std::size_t line() const { return m_line; }

    void start(std::size_t line) {
        m_open = true;
        m_line = line;
        m_bytes = 0;
        m_count = 0;
        m_inField = false;
        m_fault.clear();
    }
    void close() { m_open = false; }

    // Every token inside the record; the record's fault, once it has one, stays.
    void take(const XmlToken& token) {
        m_bytes += token.bytes;
        if (!m_fault.empty()) return;
        if (m_bytes > kMaxRecordLength) return fail("record longer than " + std::to_string(kMaxRecordLength) + " bytes");
        switch (token.kind) {
            case XmlToken::tooLong:
                return fail("record longer than " + std::to_string(kMaxRecordLength) + " bytes");
            case XmlToken::text:
                if (!m_inField) return;
                if (auto fault = AppendXmlText(field().second, token.body)) return fail(std::move(*fault));
                return;
            case XmlToken::cdata:
                if (m_inField) field().second.append(token.body);
                return;
            case XmlToken::startTag:
            case XmlToken::emptyTag:
                if (auto fault = XmlTagFault(token.body)) return fail(std::move(*fault));
                if (m_inField)
                    return fail("field " + field().first + " holds the element <" + std::string(XmlTagName(token.body)) + ">");
                if (m_count == m_fields.size()) m_fields.emplace_back();
                ++m_count;
                field().first = FieldName(token.body);
                field().second.clear();
                m_fieldTag.assign(XmlTagName(token.body));
                m_inField = token.kind == XmlToken::startTag;
                return;
            case XmlToken::endTag: {
                const std::string_view name = XmlTagName(token.body);
                if (!m_inField) return fail("end tag </" + std::string(name) + "> without its start tag");
                if (!NameIs(name, ToUpperAscii(m_fieldTag)))
                    return fail("<" + m_fieldTag + "> closed by </" + std::string(name) + ">");
                m_inField = false;
                return;
            }
            case XmlToken::end:
                return;
        }
    }

    // The fault that skips the record at its </RECORD>, or empty; `fields` gets its fields.
    std::string finish(AdifFields& fields) {
        if (m_fault.empty() && m_inField) fail("<" + m_fieldTag + "> is not closed before </RECORD>");
        fields.clear();
        if (m_fault.empty())
            for (std::size_t i = 0; i < m_count; ++i) fields.emplace_back(m_fields[i].first, m_fields[i].second);
        return m_fault.empty() ? std::string() : "record is not well-formed XML: " + m_fault;
    }

private:
    std::pair<std::string, std::string>& field() { return m_fields[m_count - 1]; }
    void fail(std::string fault) { m_fault = std::move(fault); }

    bool m_open = false;
    std::size_t m_line = 0;
    std::size_t m_bytes = 0;
    // The fields read so far are the first m_count; the rest keep their memory for the next record.
    std::vector<std::pair<std::string, std::string>> m_fields;
    std::size_t m_count = 0;
    bool m_inField = false;
    std::string m_fieldTag;
    std::string m_fault;
};

}  // namespace

LogHeader ReadAdxText(TextSource& text, LogVisitor& visitor, const ReadOptions& options) {
    LogHeader header;
    header.format = LogFormat::adx;
    AdifRecordReader records(visitor, header, options);
    XmlScanner scanner(text, visitor);
    OpenRecord record;
    AdifFields fields;
    const auto unclosed = [&](std::string_view before) {
        visitor.problem({record.line(), "record without </RECORD> before " + std::string(before)});
        record.close();
    };
    while (true) {
        const XmlToken token = scanner.next();
        if (token.kind == XmlToken::end) break;
        const bool isTag = token.kind == XmlToken::startTag || token.kind == XmlToken::endTag || token.kind == XmlToken::emptyTag;
        const std::string_view name = isTag ? XmlTagName(token.body) : std::string_view();
        if (isTag && NameIs(name, "RECORD")) {
            if (token.kind == XmlToken::endTag) {
                if (!record.open()) continue;
                record.take({XmlToken::text, {}, token.line, token.bytes});
                if (std::string fault = record.finish(fields); !fault.empty()) visitor.problem({record.line(), std::move(fault)});
                else records.read(fields, record.line());
                record.close();
                continue;
            }
            if (record.open()) unclosed("the <RECORD> of line " + std::to_string(token.line));
            if (token.kind == XmlToken::emptyTag) {  // <RECORD/>: a record without fields
                records.read({}, token.line);
                continue;
            }
            record.start(token.line);
            record.take({XmlToken::text, {}, token.line, token.bytes});
            continue;
        }
        if (!record.open()) continue;
        if (token.kind == XmlToken::endTag && (NameIs(name, "RECORDS") || NameIs(name, "ADX"))) {
            unclosed("</" + std::string(name) + ">");
            continue;
        }
        record.take(token);
    }
    if (record.open()) visitor.problem({record.line(), "record without </RECORD> at the end of the file"});
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    return header;
}
