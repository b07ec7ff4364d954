#include "crosscheck/cross_log.h"

#include <cmath>
#include <optional>

#include "logs/qso_fields.h"

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

std::int64_t WholeSeconds(const OleDateTime& time) { return std::llround(time.m_dt * kSecondsPerDay); }

TextRef CrossLog::keep(std::string_view text) {
    TextRef ref{static_cast<std::uint32_t>(m_texts.size()), static_cast<std::uint32_t>(text.size())};
    m_texts.append(text);
    return ref;
}

void CrossLog::add(const QsoTexts& qso, std::size_t line, bool timeHasSeconds) {
    CrossQso kept;
    kept.myCall = keep(qso.myCall);
    kept.call = keep(qso.call);
    // In upper case where it is kept, without a string of its own on the way.
    for (std::size_t i = kept.call.offset; i < kept.call.offset + kept.call.size; ++i)
        if (m_texts[i] >= 'a' && m_texts[i] <= 'z') m_texts[i] = static_cast<char>(m_texts[i] - 'a' + 'A');
    kept.mode = keep(qso.mode);
    kept.band = keep(qso.band);
    kept.rstSent = keep(qso.rstSent);
    kept.rstReceived = keep(qso.rstReceived);
    kept.exchSent = keep(qso.exchSent);
    kept.exchReceived = keep(qso.exchReceived);
    kept.country = keep(qso.country);
    kept.extra = keep(qso.extra);
    kept.time = qso.time;
    kept.seconds = WholeSeconds(qso.time);
    kept.frequencyHz = qso.frequencyHz;
    kept.line = static_cast<std::uint32_t>(line);
    kept.timeHasSeconds = timeHasSeconds;
    qsos.push_back(kept);
}

void CrossLog::giveOwnCallToQsosWithout() {
    std::optional<TextRef> own;
    for (CrossQso& qso : qsos)
        if (qso.myCall.size == 0) {
            if (!own) own = keep(ownCall);
            qso.myCall = *own;
        }
}

QsoInput CrossLog::input(const CrossQso& qso) const {
    QsoInput in;
    in.myCall = text(qso.myCall);
    in.call = text(qso.call);
    in.time = qso.time;
    in.frequencyHz = qso.frequencyHz;
    in.mode = text(qso.mode);
    in.rstSent = text(qso.rstSent);
    in.rstReceived = text(qso.rstReceived);
    in.exchSent = text(qso.exchSent);
    in.exchReceived = text(qso.exchReceived);
    in.country = text(qso.country);
    in.extra = text(qso.extra);
    in.band = text(qso.band);
    return in;
}

std::string CrossLog::categoryText() const {
    std::string joined;
    for (const auto& [key, value] : categories) {
        if (!joined.empty()) joined += ", ";
        joined += key + ": " + value;
    }
    return joined;
}
