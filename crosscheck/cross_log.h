#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/message_cap.h"
#include "engine/qso_input.h"

// A text of a log's QSO kept in the log's one text buffer.
struct TextRef {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// One QSO of a log, compact: a committee holds millions of them at once.
struct CrossQso {
    TextRef myCall, call, mode, band, rstSent, rstReceived, exchSent, exchReceived, country, extra;
    OleDateTime time;
    std::int64_t seconds = 0;  // the time in whole seconds, for matching
    std::uint32_t frequencyHz = 0;
    std::uint32_t line = 0;  // where the QSO stands in its file
    bool timeHasSeconds = true;  // false: the log gave the minute only ("hhmm"), which spans 60 seconds
};

// A date-time in whole seconds, as QSOs are matched.
std::int64_t WholeSeconds(const OleDateTime& time);

// A skipped line or record of a log file.
struct SkippedLine {
    std::size_t line = 0;
    std::string reason;
};

// Everything the cross-check keeps of one participant's log.
struct CrossLog {
    std::string fileName;    // as found in the folder, without the folder
    std::string formatName;  // LogFormatName: "Cabrillo", "ADIF" or "ADIF XML (ADX)"
    std::string ownCall;     // upper-cased
    bool ownCallFromFileName = false;
    std::vector<std::pair<std::string, std::string>>
        categories;  // CATEGORY: and CATEGORY-* headers, in file order
    std::vector<CrossQso> qsos;
    // The skipped lines named: the first of each kind (MessageCap); of the others only their
    // count per kind is kept, so a log of millions of broken lines costs a few hundred.
    std::vector<SkippedLine> skipped;
    std::vector<MessageCap::Withheld> skippedWithheld;
    std::size_t skippedCount = 0;  // every line skipped, named or not
    std::string unreadable;  // why the log cannot be scored; empty for a usable log

    // Stores a QSO; its worked call is kept upper-cased, as calls are compared.
    void add(const QsoTexts& qso, std::size_t line, bool timeHasSeconds = true);
    // The log's own call for the QSOs that name none (an ADIF log may give it once, or not at all).
    void giveOwnCallToQsosWithout();

    std::string_view text(TextRef ref) const {
        return std::string_view(m_texts).substr(ref.offset, ref.size);
    }
    QsoInput input(const CrossQso& qso) const;
    // "CATEGORY-OPERATOR: SINGLE-OP, CATEGORY-BAND: ALL"-like text of the categories; empty without any.
    std::string categoryText() const;

private:
    TextRef keep(std::string_view text);
    std::string m_texts;
};
