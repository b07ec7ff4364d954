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

// The fields of one record (the text before its <EOR>), or the reason it is skipped. `fields`
// is the vector of the record before, whose names' memory is used again (records of one log have
// much the same fields): it ends with this record's fields alone.
std::optional<std::string> ParseFields(std::string_view record, AdifFields& fields) {
    std::size_t i = 0, count = 0;
    const auto done = [&](std::optional<std::string> reason) {
        fields.resize(count);
        return reason;
    };
    while (true) {
        const std::size_t open = record.find('<', i);
        if (open == std::string_view::npos) return done(std::nullopt);
        const std::size_t close = record.find('>', open);
        if (close == std::string_view::npos) return done("field tag without '>'");
        const std::string_view tag = record.substr(open + 1, close - open - 1);
        const std::size_t colon = tag.find(':');
        if (colon == std::string_view::npos) return done("field tag <" + std::string(tag.substr(0, 40)) + "> without a length");
        std::string_view lengthText = tag.substr(colon + 1);
        lengthText = lengthText.substr(0, lengthText.find(':'));  // drops a data type
        std::size_t length = 0;
        const auto [end, error] = std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
        if (error != std::errc() || end != lengthText.data() + lengthText.size())
            return done("bad field length in <" + std::string(tag.substr(0, 40)) + ">");
        const std::size_t valueStart = close + 1;
        if (length > record.size() - valueStart)
            return done("field <" + std::string(tag.substr(0, 40)) + "> runs past the end of its record");
        if (count == fields.size()) fields.emplace_back();
        auto& [name, value] = fields[count++];
        // Mostly the name this place had in the record before: then it is left as it is.
        const std::string_view written = tag.substr(0, colon);
        if (!std::equal(written.begin(), written.end(), name.begin(), name.end(),
                        [](char c, char upper) { return UpperAscii(c) == upper; })) {
            name.assign(written);
            for (char& c : name) c = UpperAscii(c);
        }
        value = record.substr(valueStart, length);
        i = valueStart + length;
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
    AdifFields fields;
    while (true) {
        // Text between records is no field; a record starts at its first tag.
        std::string_view held = text.held();
        const std::size_t firstTag = held.find('<');
        if (firstTag == std::string_view::npos) {
            text.consume(held.size());
            if (!text.readMore()) break;
            continue;
        }
        text.consume(firstTag);
        const std::size_t line = text.line();
        std::size_t searched = 0, eor = std::string_view::npos;
        while ((eor = FindTag(text.held(), kEndOfRecord, searched)) == std::string_view::npos) {
            held = text.held();
            if (held.size() > kMaxRecordLength) break;
            searched = held.size() > kEndOfRecord.size() ? held.size() - kEndOfRecord.size() : 0;
            if (!text.readMore()) break;
        }
        if (eor == std::string_view::npos) {
            if (text.held().size() > kMaxRecordLength) {
                visitor.problem({line, "record longer than " + std::to_string(kMaxRecordLength) + " bytes"});
                SkipRecord(text);
                continue;
            }
            visitor.problem({line, "record without <EOR> at the end of the file"});
            break;
        }
        if (auto reason = ParseFields(text.held().substr(0, eor), fields)) visitor.problem({line, std::move(*reason)});
        else records.read(fields, line);
        text.consume(eor + kEndOfRecord.size());
    }
    if (text.failed()) visitor.problem({text.line(), "the file could not be read to its end"});
    return header;
}
