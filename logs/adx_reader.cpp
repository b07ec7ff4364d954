// ADX, ADIF's XML form: <ADX><HEADER>...</HEADER><RECORDS><RECORD><CALL>UT2AB</CALL>...</RECORD>
// ...</RECORDS></ADX>. The text is cut into records as it is read, so that a log of any size
// takes the memory of one record; each record is parsed as XML by Boost's parser (entities,
// character references, CDATA and comments) and its fields read by ADIF's own rules.
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <istream>
#include <optional>
#include <string>

#include "logs/adif_record.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace pt = boost::property_tree;

namespace {

// Far longer than any real record; a longer one is skipped rather than held.
constexpr std::size_t kMaxRecordLength = 1024 * 1024;
constexpr std::string_view kRecord = "<RECORD";
constexpr std::string_view kRecordEnd = "</RECORD";

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Case-blind: XML names are case-sensitive, but a logger writing <record> means a record.
bool StartsWithTag(std::string_view text, std::string_view upperTag) {
    return text.size() >= upperTag.size() && ToUpperAscii(text.substr(0, upperTag.size())) == upperTag;
}

// Where the markup that starts with the '<' at `at` ends (past its '>'); npos when the text held
// does not reach its end. Comments, CDATA sections and processing instructions end with their
// own closing marks, so a '<' or '>' inside them starts or ends nothing.
std::size_t EndOfMarkup(std::string_view held, std::size_t at) {
    const auto endOf = [&](std::string_view close, std::size_t from) {
        const std::size_t found = held.find(close, from);
        return found == std::string_view::npos ? found : found + close.size();
    };
    const std::string_view markup = held.substr(at);
    // Too little held to tell a comment or CDATA section from other markup.
    if (std::string_view("<![CDATA[").starts_with(markup) || std::string_view("<!--").starts_with(markup))
        return std::string_view::npos;
    if (markup.starts_with("<!--")) return endOf("-->", at + 4);
    if (markup.starts_with("<![CDATA[")) return endOf("]]>", at + 9);
    if (markup.starts_with("<?")) return endOf("?>", at + 2);
    return endOf(">", at + 1);
}

// A start tag <RECORD ...> (not <RECORDS>).
bool IsRecordStart(std::string_view tag) {
    return StartsWithTag(tag, kRecord) && tag.size() > kRecord.size() &&
           (tag[kRecord.size()] == '>' || tag[kRecord.size()] == '/' || IsXmlBlank(tag[kRecord.size()]));
}

bool IsRecordEnd(std::string_view tag) {
    if (!StartsWithTag(tag, kRecordEnd)) return false;
    for (char c : tag.substr(kRecordEnd.size(), tag.size() - kRecordEnd.size() - 1))
        if (!IsXmlBlank(c)) return false;
    return true;
}

struct RecordEnd {
    std::size_t end = std::string_view::npos;  // past the record's end tag, when found
    std::size_t resumeAt = 0;                   // where to look on once more is held
};

RecordEnd FindRecordEnd(std::string_view held, std::size_t from) {
    for (std::size_t at = held.find('<', from); at != std::string_view::npos; at = held.find('<', at)) {
        const std::size_t end = EndOfMarkup(held, at);
        if (end == std::string_view::npos) return {std::string_view::npos, at};
        if (IsRecordEnd(held.substr(at, end - at))) return {end, end};
        at = end;
    }
    return {std::string_view::npos, held.size()};
}

// The name a field of an ADX record has in ADIF's tagged form: the element's name, and for an
// application's field APP_<PROGRAMID>_<FIELDNAME>, for a user's field its FIELDNAME.
std::string FieldName(const std::string& element, const pt::ptree& field) {
    const std::string name = ToUpperAscii(element);
    const auto attribute = [&](const char* key) { return ToUpperAscii(field.get("<xmlattr>." + std::string(key), "")); };
    if (name == "APP") return "APP_" + attribute("PROGRAMID") + "_" + attribute("FIELDNAME");
    if (name == "USERDEF") return attribute("FIELDNAME");
    return name;
}

// The fields of one record's XML, whose values stay in `tree`; or why it is skipped.
std::optional<std::string> ParseRecord(std::string_view xml, std::size_t line, pt::ptree& tree, AdifFields& fields) {
    ViewStreamBuffer buffer(xml);
    std::istream input(&buffer);
    try {
        pt::read_xml(input, tree, pt::xml_parser::no_comments);
    } catch (const pt::xml_parser_error& error) {
        return "record is no well-formed XML: " + error.message() + " (line " + std::to_string(line + error.line() - 1) + ")";
    }
    if (tree.empty()) return "record is no well-formed XML";
    for (const auto& [element, field] : tree.front().second) {
        if (element == "<xmlattr>") continue;
        std::string name = FieldName(element, field);
        for (const auto& [child, unused] : field)
            if (child != "<xmlattr>") return "field " + name + " holds the element <" + child + ">";
        fields.emplace_back(std::move(name), field.data());
    }
    return std::nullopt;
}

// Consumes up to and past the end of a record too long to hold.
void SkipRecord(TextSource& text) {
    while (true) {
        const std::string_view held = text.held();
        const std::size_t at = ToUpperAscii(held).find(kRecordEnd);
        if (at != std::string_view::npos) {
            const std::size_t close = held.find('>', at);
            if (close != std::string_view::npos) {
                text.consume(close + 1);
                return;
            }
        }
        text.consume(at != std::string_view::npos ? at : held.size() > kRecordEnd.size() ? held.size() - kRecordEnd.size() : 0);
        if (!text.readMore()) {
            text.consume(text.held().size());
            return;
        }
    }
}

}  // namespace

LogHeader ReadAdxText(TextSource& text, LogVisitor& visitor, const ReadOptions& options) {
    LogHeader header;
    header.format = LogFormat::adx;
    AdifRecordReader records(visitor, header, options);
    while (true) {
        // Up to the next markup; what stands between two is the header's or no record's text.
        const std::size_t open = text.held().find('<');
        if (open == std::string_view::npos) {
            text.consume(text.held().size());
            if (!text.readMore()) break;
            continue;
        }
        text.consume(open);
        std::size_t tagEnd = EndOfMarkup(text.held(), 0);
        while (tagEnd == std::string_view::npos && text.held().size() <= kMaxRecordLength && text.readMore())
            tagEnd = EndOfMarkup(text.held(), 0);
        if (tagEnd == std::string_view::npos) {
            if (text.held().size() > kMaxRecordLength) {
                visitor.problem({text.line(), "markup longer than " + std::to_string(kMaxRecordLength) + " bytes"});
                text.consume(text.held().size());
                continue;
            }
            visitor.problem({text.line(), "the file ends inside markup"});
            break;
        }
        const std::string_view tag = text.held().substr(0, tagEnd);
        const std::size_t line = text.line();
        if (!IsRecordStart(tag)) {
            text.consume(tagEnd);
            continue;
        }
        if (tag.ends_with("/>")) {  // <RECORD/>: a record without fields
            records.read({}, line);
            text.consume(tagEnd);
            continue;
        }
        RecordEnd end = FindRecordEnd(text.held(), tagEnd);
        while (end.end == std::string_view::npos && text.held().size() <= kMaxRecordLength && text.readMore())
            end = FindRecordEnd(text.held(), end.resumeAt);
        if (end.end == std::string_view::npos) {
            if (text.held().size() > kMaxRecordLength) {
                visitor.problem({line, "record longer than " + std::to_string(kMaxRecordLength) + " bytes"});
                SkipRecord(text);
                continue;
            }
            visitor.problem({line, "record without </RECORD> at the end of the file"});
            break;
        }
        pt::ptree tree;
        AdifFields fields;
        if (auto reason = ParseRecord(text.held().substr(0, end.end), line, tree, fields))
            visitor.problem({line, std::move(*reason)});
        else
            records.read(fields, line);
        text.consume(end.end);
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    return header;
}
