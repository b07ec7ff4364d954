#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "logs/adif_record.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"
#include "logs/text_readers.h"

namespace {

// Far longer than any real record; a longer one is skipped rather than held.
constexpr std::size_t kMaxRecordLength = 1024 * 1024;
constexpr std::string_view kEndOfRecord = "<EOR>";
constexpr std::string_view kEndOfHeader = "<EOH>";

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Case-blind search for an upper-case ASCII tag such as "<EOR>".
std::size_t FindTag(std::string_view text, std::string_view tag, std::size_t from = 0) {
    for (std::size_t i = text.find('<', from); i != std::string_view::npos; i = text.find('<', i + 1)) {
        if (text.size() - i < tag.size()) break;
        std::size_t k = 1;
        while (k < tag.size() && UpperAscii(text[i + k]) == tag[k]) ++k;
        if (k == tag.size()) return i;
    }
    return std::string_view::npos;
}

// Where a field's value is in the text held.
struct FieldSpan {
    std::size_t from = 0, length = 0;
};

struct RecordScan {
    std::size_t end = 0;                // past the record's <EOR>
    std::optional<std::string> fault;   // why the record is skipped
    std::size_t resyncFrom = 0;         // where a skipped record's <EOR> is looked for from
    bool endOfFile = false;             // the text ends before the record's <EOR>
    std::string charactersCounted;      // a field whose length counts characters, not bytes
};

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first byte from `at` that is not a blank, reading on as needed; npos at the end of the
// text or past the longest record.
std::size_t NextNonBlank(TextSource& text, std::size_t at) {
    while (true) {
        const std::string_view held = text.held();
        for (; at < held.size(); ++at)
            if (held[at] != ' ' && held[at] != '\t' && held[at] != '\r' && held[at] != '\n') return at;
        if (held.size() > kMaxRecordLength || !text.readMore()) return std::string_view::npos;
        at = held.size();
    }
}

// Where the next tag is when a value ending at `at` ends where a field's value does: before a tag
// (its '<') or the end of the text (its size) with only blanks between, not inside a UTF-8
// character; npos where it does not.
std::size_t TagAfterValue(TextSource& text, std::size_t at) {
    const std::string_view held = text.held();
    if (at < held.size() && held[at] == '<') return at;  // most values
    if (at + 1 < held.size() && held[at] == ' ' && held[at + 1] == '<') return at + 1;
    if (at < held.size() && IsUtf8Continuation(held[at])) return std::string_view::npos;
    const std::size_t next = NextNonBlank(text, at);
    if (next == std::string_view::npos) return text.held().size() <= kMaxRecordLength ? text.held().size() : next;
    return text.held()[next] == '<' ? next : std::string_view::npos;
}

// The bytes `count` UTF-8 characters from `at` take; nothing where the text ends first or is no
// UTF-8 there.
std::optional<std::size_t> Utf8Bytes(TextSource& text, std::size_t at, std::size_t count) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!text.ensure(at + bytes + 1)) return std::nullopt;
        const auto lead = static_cast<unsigned char>(text.held()[at + bytes]);
        const std::size_t size = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (size == 0 || !text.ensure(at + bytes + size)) return std::nullopt;
        for (std::size_t k = 1; k < size; ++k)
            if (!IsUtf8Continuation(text.held()[at + bytes + k])) return std::nullopt;
        bytes += size;
    }
    return bytes;
}

// `needle` in the text held from `from`, reading on as needed; npos at the end of the text or
// once the text held is longer than any record.
std::size_t FindReading(TextSource& text, char needle, std::size_t from) {
    while (true) {
        const std::string_view held = text.held();
        if (const std::size_t at = held.find(needle, from); at != std::string_view::npos) return at;
        if (held.size() > kMaxRecordLength || !text.readMore()) return std::string_view::npos;
        from = held.size();
    }
}

// Reads the record that starts with the first tag held, field by field: each value is as long as
// its field's length says, so an "<EOR>" inside a NOTES of the right length is text of the NOTES.
// Where the length in bytes splits a UTF-8 character or ends before other text than the next
// tag, and the length in characters fits (some loggers count characters), that is taken. The
// fields' names go to the first `count` of `fields` (whose names' memory is used again: records
// of one log have much the same fields), where their values are to `spans`; nothing is consumed.
RecordScan ScanRecord(TextSource& text, AdifFields& fields, std::vector<FieldSpan>& spans, std::size_t& count) {
    count = 0;
    RecordScan scan;
    const auto fail = [&](std::string fault, std::size_t resyncFrom) {
        scan.fault = std::move(fault);
        scan.resyncFrom = resyncFrom;
        return scan;
    };
    const auto tooLong = [&](std::size_t from) { return fail("record longer than " + std::to_string(kMaxRecordLength) + " bytes", from); };
    std::size_t at = 0;
    while (true) {
        const std::size_t open = at < text.held().size() && text.held()[at] == '<' ? at : FindReading(text, '<', at);
        if (open == std::string_view::npos) {
            if (text.held().size() > kMaxRecordLength) return tooLong(at);
            scan.endOfFile = true;
            return scan;
        }
        std::size_t close = text.held().find('>', open);  // mostly held
        if (close == std::string_view::npos) close = FindReading(text, '>', open);
        if (close == std::string_view::npos) {
            if (text.held().size() > kMaxRecordLength) return fail("field tag without '>'", open + 1);
            scan.endOfFile = true;
            return scan;
        }
        const std::string_view tag = text.held().substr(open + 1, close - open - 1);
        if (tag.size() == 3 && UpperAscii(tag[0]) == 'E' && UpperAscii(tag[1]) == 'O' && UpperAscii(tag[2]) == 'R') {
            scan.end = close + 1;
            return scan;
        }
        // The tag for a message, from the text held then (reading on may move it).
        const auto shown = [&text, open, close] {
            return "<" + std::string(text.held().substr(open + 1, std::min<std::size_t>(close - open - 1, 40))) + ">";
        };
        const std::size_t colon = tag.find(':');
        if (colon == std::string_view::npos) return fail("field tag " + shown() + " without a length", open + 1);
        std::string_view lengthText = tag.substr(colon + 1);
        lengthText = lengthText.substr(0, lengthText.find(':'));  // drops a data type
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
        if (error != std::errc() || end != lengthText.data() + lengthText.size())
            return fail("bad field length in " + shown(), open + 1);
        if (length > kMaxRecordLength) return tooLong(open + 1);
        const std::size_t valueFrom = close + 1;
        if (valueFrom + length > text.held().size()) {
            if (!text.ensure(valueFrom + length)) return fail("field " + shown() + " runs past the end of its record", valueFrom);
            if (text.held().size() > kMaxRecordLength) return tooLong(valueFrom);
        }
        std::size_t bytes = length;
        std::size_t next = TagAfterValue(text, valueFrom + length);
        if (next == std::string_view::npos) {
            const auto characters = Utf8Bytes(text, valueFrom, length);
            if (characters && *characters != length &&
                (next = TagAfterValue(text, valueFrom + *characters)) != std::string_view::npos) {
                bytes = *characters;
                if (scan.charactersCounted.empty()) scan.charactersCounted = shown();
            } else if (text.held().substr(valueFrom, length).find('<') != std::string_view::npos) {
                // A length that takes in the next tag and does not end at another: not the value's.
                return fail("field " + shown() + " runs past the end of its record", valueFrom);
            } else {
                next = valueFrom + length;  // text after the value, passed over as text between fields
            }
        }
        if (count == spans.size()) spans.emplace_back();
        if (count == fields.size()) fields.emplace_back();
        spans[count] = {valueFrom, bytes};
        std::string& name = fields[count++].first;
        // Mostly the name this place had in the record before: then it is left as it is.
        const std::string_view written = text.held().substr(open + 1, colon);
        if (!std::equal(written.begin(), written.end(), name.begin(), name.end(),
                        [](char c, char upper) { return UpperAscii(c) == upper; })) {
            name.assign(written);
            for (char& c : name) c = UpperAscii(c);
        }
        at = next;
    }
}

// Drops the header, which ends at <EOH>. Some loggers start the file with a record, so a header
// is there only when an <EOH> comes before the first <EOR>.
void SkipHeader(TextSource& text) {
    std::size_t searched = 0;
    while (true) {
        const std::string_view held = text.held();
        const std::size_t eoh = FindTag(held, kEndOfHeader, searched);
        const std::size_t eor = FindTag(held, kEndOfRecord, searched);
        if (eoh != std::string_view::npos && eoh < eor) {
            text.consume(eoh + kEndOfHeader.size());
            return;
        }
        if (eor != std::string_view::npos || held.size() > kMaxRecordLength) return;
        searched = held.size() > kEndOfHeader.size() ? held.size() - kEndOfHeader.size() : 0;
        if (!text.readMore()) return;
    }
}

// Consumes everything up to and including the next <EOR>.
void SkipRecord(TextSource& text) {
    while (true) {
        const std::string_view held = text.held();
        if (const std::size_t eor = FindTag(held, kEndOfRecord); eor != std::string_view::npos) {
            text.consume(eor + kEndOfRecord.size());
            return;
        }
        text.consume(held.size() > kEndOfRecord.size() ? held.size() - kEndOfRecord.size() : 0);
        if (!text.readMore()) {
            text.consume(text.held().size());
            return;
        }
    }
}

}  // namespace

LogHeader ReadAdifText(TextSource& text, LogVisitor& visitor, const ReadOptions& options) {
    LogHeader header;
    header.format = LogFormat::adif;
    AdifRecordReader records(visitor, header, options);
    SkipHeader(text);
    std::vector<FieldSpan> spans;
    AdifFields fields;
    bool charactersSaid = false;
    while (true) {
        // Text between records is no field; a record starts at its first tag.
        const std::string_view held = text.held();
        const std::size_t firstTag = held.find('<');
        if (firstTag == std::string_view::npos) {
            text.consume(held.size());
            if (!text.readMore()) break;
            continue;
        }
        text.consume(firstTag);
        const std::size_t line = text.line();
        std::size_t count = 0;
        const RecordScan scan = ScanRecord(text, fields, spans, count);
        if (scan.endOfFile) {
            visitor.problem({line, "record without <EOR> at the end of the file"});
            break;
        }
        if (scan.fault) {
            visitor.problem({line, *scan.fault});
            text.consume(scan.resyncFrom);
            SkipRecord(text);
            continue;
        }
        if (!scan.charactersCounted.empty() && !charactersSaid) {
            charactersSaid = true;
            visitor.note({line, "the length of field " + scan.charactersCounted +
                                    " counts characters, not bytes; such fields are read by characters (said for the first only)"});
        }
        fields.resize(count);
        for (std::size_t i = 0; i < count; ++i) fields[i].second = text.held().substr(spans[i].from, spans[i].length);
        records.read(fields, line);
        text.consume(scan.end);
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    return header;
}
