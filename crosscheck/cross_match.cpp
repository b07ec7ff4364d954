#include "crosscheck/cross_match.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <queue>
#include <cstdlib>
#include <string>
#include <string_view>
#include <tuple>

#include <boost/unordered/unordered_flat_map.hpp>
#include <tbb/parallel_sort.h>

#include "crosscheck/nearest_pairing.h"
#include "engine/contest_rules.h"
#include "logs/qso_fields.h"

namespace {

constexpr std::uint32_t kNoLog = kNoPartner;

// One QSO record in the indexes.
struct Entry {
    std::uint32_t station;   // who logged it
    std::uint32_t worked;    // the call logged
    std::uint32_t bandMode;  // band and mode together
    std::uint32_t log;
    std::uint32_t qso;
    bool timeHasSeconds = true;
    bool outsidePeriod = false;  // checked for its partner's sake; loses its own credit
    std::int64_t seconds = 0;
};
static_assert(sizeof(Entry) == 32, "two arrays of millions of entries are sorted");

TimedRecord TimeOf(const Entry& entry) { return {entry.seconds, entry.timeHasSeconds}; }

// Small numbers for call signs and for band-and-mode pairs, so the indexes sort integers.
class Names {
public:
    std::uint32_t id(std::string_view name) {
        auto [at, added] = m_ids.try_emplace(name, static_cast<std::uint32_t>(m_names.size()));
        if (added) m_names.push_back(name);
        return at->second;
    }
    std::string_view name(std::uint32_t id) const { return m_names[id]; }
    std::size_t size() const { return m_names.size(); }

private:
    boost::unordered_flat_map<std::string_view, std::uint32_t> m_ids;
    std::vector<std::string_view> m_names;
};

std::optional<unsigned long long> SerialOf(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void AppendUpper(std::string& to, std::string_view text) {
    for (char c : text) to += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The band and the mode are the contest's, as the plug-in's add path tests them.
bool InTheContest(std::string_view band, std::string_view mode) {
    return g_bandList.contains(band) && g_modeList.contains(mode);
}

class CrossChecker {
public:
    CrossChecker(const std::vector<CrossLog>& logs, const MatchRules& rules) : m_logs(logs), m_rules(rules) {}

    std::vector<std::vector<QsoCheck>> run() {
        index();
        matchPairs();
        // The busted-call search comes before the repeats are set aside: the right station's record
        // of a busted call may be a repeat of a QSO it logged before.
        if (m_rules.bustedCalls) findBustedCalls();
        markDupes();
        classifyRest();
        markRepeatsOfConfirmedQsos();
        markOutsidePeriod();
        return std::move(m_checks);
    }

private:
    QsoCheck& check(const Entry& entry) { return m_checks[entry.log][entry.qso]; }
    bool open(const Entry& entry) const {
        return m_checks[entry.log][entry.qso].partnerLog == kNoPartner && !m_dupe[entry.log][entry.qso];
    }

    void index() {
        m_checks.resize(m_logs.size());
        m_dupe.resize(m_logs.size());
        std::vector<std::uint32_t> stationOfLog(m_logs.size(), kNoLog);
        std::size_t total = 0;
        for (std::uint32_t l = 0; l < m_logs.size(); ++l) {
            if (!m_logs[l].unreadable.empty()) continue;
            stationOfLog[l] = m_calls.id(m_logs[l].ownCall);
            total += m_logs[l].qsos.size();
        }
        m_byPair.reserve(total);
        std::string bandMode;
        for (std::uint32_t l = 0; l < m_logs.size(); ++l) {
            const CrossLog& log = m_logs[l];
            if (!log.unreadable.empty()) continue;
            m_checks[l].resize(log.qsos.size());
            m_dupe[l].assign(log.qsos.size(), false);
            // Most QSOs are on the band and mode of the one before: its answers are kept.
            std::string_view lastBand, lastMode;
            bool lastInContest = false;
            std::uint32_t bm = 0;
            for (std::uint32_t q = 0; q < log.qsos.size(); ++q) {
                const CrossQso& qso = log.qsos[q];
                const std::string_view band = log.text(qso.band), mode = log.text(qso.mode);
                if (q == 0 || band != lastBand || mode != lastMode) {
                    lastBand = band;
                    lastMode = mode;
                    lastInContest = InTheContest(band, mode);
                    bandMode.clear();
                    AppendUpper(bandMode, band);
                    bandMode += '\t';
                    AppendUpper(bandMode, mode);
                    bm = bandModeId(bandMode);
                }
                // What the plug-in's add path refuses: a band or mode outside the contest, no exchange.
                if (!lastInContest || log.text(qso.exchSent).empty() || log.text(qso.exchReceived).empty()) {
                    m_checks[l][q].verdict = Verdict::rejected;  // and kept out of the indexes
                    continue;
                }
                const auto& period = m_rules.periodSeconds;
                const bool outside = period && (qso.seconds < period->first || qso.seconds >= period->second);
                m_byPair.push_back({.station = stationOfLog[l],
                                    .worked = m_calls.id(log.text(qso.call)),
                                    .bandMode = bm,
                                    .log = l,
                                    .qso = q,
                                    .timeHasSeconds = qso.timeHasSeconds,
                                    .outsidePeriod = outside,
                                    .seconds = qso.seconds});
            }
        }
        m_logOfStation.assign(m_calls.size(), kNoLog);
        for (std::uint32_t l = 0; l < m_logs.size(); ++l)
            if (stationOfLog[l] != kNoLog) m_logOfStation[stationOfLog[l]] = l;

        tbb::parallel_sort(m_byPair.begin(), m_byPair.end(), [](const Entry& a, const Entry& b) {
            return std::tie(a.station, a.worked, a.bandMode, a.seconds, a.log, a.qso) <
                   std::tie(b.station, b.worked, b.bandMode, b.seconds, b.log, b.qso);
        });
    }

    std::uint32_t bandModeId(const std::string& text) {
        if (auto found = m_bandModes.find(text); found != m_bandModes.end()) return found->second;
        return m_bandModes.emplace(text, static_cast<std::uint32_t>(m_bandModes.size())).first->second;
    }

    // Where the run of entries of a station, worked call and band-mode begins (where it would, when
    // there is none). A table of the runs' beginnings spares a binary search over millions of
    // entries per run; calls and band-modes beyond its key's bits fall back to the search.
    static constexpr std::uint32_t kKeyCalls = 1u << 24, kKeyBandModes = 1u << 16;
    static std::uint64_t GroupKey(std::uint32_t station, std::uint32_t worked, std::uint32_t bandMode) {
        return std::uint64_t{station} << 40 | std::uint64_t{worked} << 16 | bandMode;
    }
    void indexGroups() {
        m_groupBegins.clear();
        if (m_calls.size() >= kKeyCalls || m_bandModes.size() >= kKeyBandModes) return;
        m_groupBegins.reserve(m_byPair.size());  // most runs are a single QSO: no rehash as it fills
        for (std::size_t begin = 0; begin < m_byPair.size(); begin = groupEnd(begin))
            m_groupBegins.emplace(GroupKey(m_byPair[begin].station, m_byPair[begin].worked, m_byPair[begin].bandMode),
                                  static_cast<std::uint32_t>(begin));
    }
    std::size_t groupOf(std::uint32_t station, std::uint32_t worked, std::uint32_t bandMode) const {
        if (m_calls.size() < kKeyCalls && m_bandModes.size() < kKeyBandModes) {
            const auto found = m_groupBegins.find(GroupKey(station, worked, bandMode));
            return found == m_groupBegins.end() ? m_byPair.size() : found->second;
        }
        const Entry wanted{.station = station,
                           .worked = worked,
                           .bandMode = bandMode,
                           .log = 0,
                           .qso = 0,
                           .seconds = std::numeric_limits<std::int64_t>::min()};
        const auto at = std::lower_bound(m_byPair.begin(), m_byPair.end(), wanted, [](const Entry& a, const Entry& b) {
            return std::tie(a.station, a.worked, a.bandMode, a.seconds) <
                   std::tie(b.station, b.worked, b.bandMode, b.seconds);
        });
        return static_cast<std::size_t>(at - m_byPair.begin());
    }

    // End of the run of entries with the same station, worked call and band-mode as `begin`.
    std::size_t groupEnd(std::size_t begin) const {
        std::size_t end = begin + 1;
        const Entry& first = m_byPair[begin];
        while (end < m_byPair.size() && m_byPair[end].station == first.station &&
               m_byPair[end].worked == first.worked && m_byPair[end].bandMode == first.bandMode)
            ++end;
        return end;
    }

    void matchPairs() {
        indexGroups();
        matchRuns();
        m_groupBegins = {};  // its memory goes back before the next steps take theirs
    }

    void matchRuns() {
        std::vector<TimedRecord> mineTimes, theirTimes;
        for (std::size_t begin = 0; begin < m_byPair.size();) {
            const std::size_t end = groupEnd(begin);
            const Entry& first = m_byPair[begin];
            if (first.station < first.worked && m_logOfStation[first.worked] != kNoLog) {
                const std::size_t otherBegin = groupOf(first.worked, first.station, first.bandMode);
                const auto other = m_byPair.begin() + static_cast<std::ptrdiff_t>(otherBegin);
                if (otherBegin < m_byPair.size() && other->station == first.worked &&
                    other->worked == first.station && other->bandMode == first.bandMode) {
                    const std::size_t otherEnd = groupEnd(otherBegin);
                    mineTimes.clear();
                    theirTimes.clear();
                    for (std::size_t i = begin; i < end; ++i) mineTimes.push_back(TimeOf(m_byPair[i]));
                    for (std::size_t j = otherBegin; j < otherEnd; ++j) theirTimes.push_back(TimeOf(m_byPair[j]));
                    // Every record of both runs is open: each belongs to this pair of runs alone.
                    for (const auto& [i, j] : PairNearestFirst(mineTimes, theirTimes, m_rules.windowSeconds))
                        link(m_byPair[begin + i], m_byPair[otherBegin + j], Verdict::matched, CallSlip::none);
                }
            }
            begin = end;
        }
    }

    // Joins two records of one QSO; each side's exchange received is checked against the other's sent.
    void link(const Entry& mine, const Entry& theirs, Verdict mineVerdict, CallSlip slip) {
        const CrossLog& myLog = m_logs[mine.log];
        const CrossLog& theirLog = m_logs[theirs.log];
        const CrossQso& myQso = myLog.qsos[mine.qso];
        const CrossQso& theirQso = theirLog.qsos[theirs.qso];
        QsoCheck& mineCheck = check(mine);
        QsoCheck& theirCheck = check(theirs);
        if (mineVerdict == Verdict::matched &&
            !SameExchange(myLog.text(myQso.exchReceived), theirLog.text(theirQso.exchSent)))
            mineVerdict = Verdict::bustedExchange;
        mineCheck = {mineVerdict, slip, theirs.log, theirs.qso};
        const Verdict theirVerdict =
            SameExchange(theirLog.text(theirQso.exchReceived), myLog.text(myQso.exchSent))
                ? Verdict::matched
                : Verdict::bustedExchange;
        theirCheck = {theirVerdict, CallSlip::none, mine.log, mine.qso};
    }

    // A repeat of a matched QSO (same call, band and mode) is left to the plug-in's dupe rule. A
    // record outside the contest period confirms its partner but makes no repeat: it has no credit.
    void markDupes() {
        for (std::size_t begin = 0; begin < m_byPair.size();) {
            const std::size_t end = groupEnd(begin);
            const bool anyMatched =
                std::any_of(m_byPair.begin() + begin, m_byPair.begin() + end, [&](const Entry& e) {
                    return check(e).partnerLog != kNoPartner && !e.outsidePeriod;
                });
            if (anyMatched)
                for (std::size_t i = begin; i < end; ++i)
                    if (check(m_byPair[i]).partnerLog == kNoPartner) {
                        m_dupe[m_byPair[i].log][m_byPair[i].qso] = true;
                        check(m_byPair[i]).verdict = Verdict::dupe;
                    }
            begin = end;
        }
    }

    // Made once the matching's table is gone, so the two are never held at once.
    void indexByWorkedCall() {
        m_byWorked = m_byPair;
        tbb::parallel_sort(m_byWorked.begin(), m_byWorked.end(), [](const Entry& a, const Entry& b) {
            return std::tie(a.worked, a.bandMode, a.seconds, a.station, a.log, a.qso) <
                   std::tie(b.worked, b.bandMode, b.seconds, b.station, b.log, b.qso);
        });
        // Records of one station at one second are looked at once: copies of a QSO are skipped over.
        m_sameBlockEnd.resize(m_byWorked.size());
        for (std::size_t p = m_byWorked.size(); p-- > 0;) {
            const bool sameAsNext = p + 1 < m_byWorked.size() &&
                                    std::tie(m_byWorked[p].worked, m_byWorked[p].bandMode, m_byWorked[p].seconds, m_byWorked[p].station) ==
                                        std::tie(m_byWorked[p + 1].worked, m_byWorked[p + 1].bandMode, m_byWorked[p + 1].seconds,
                                                 m_byWorked[p + 1].station);
            m_sameBlockEnd[p] = sameAsNext ? m_sameBlockEnd[p + 1] : static_cast<std::uint32_t>(p + 1);
        }
    }

    void findBustedCalls() {
        indexByWorkedCall();
        findBustedCallsByWorkedCall();
        m_byWorked = {};
        m_sameBlockEnd = {};
        m_stationRuns.clear();
    }

    // The records of one station that worked a call on a band-mode, with those still free; made
    // when a record first looks for its partner among them (a few, on an honest contest).
    struct StationRun {
        std::vector<std::size_t> positions;  // in m_byWorked, in its order
        FreeTimes free;
    };
    using RunKey = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;  // worked, band-mode, station

    StationRun& stationRun(std::uint32_t worked, std::uint32_t bandMode, std::uint32_t station) {
        const RunKey key{worked, bandMode, station};
        if (auto found = m_stationRuns.find(key); found != m_stationRuns.end()) return found->second;
        const Entry from{.station = 0, .worked = worked, .bandMode = bandMode, .log = 0, .qso = 0,
                         .seconds = std::numeric_limits<std::int64_t>::min()};
        auto at = std::lower_bound(m_byWorked.begin(), m_byWorked.end(), from, [](const Entry& a, const Entry& b) {
            return std::tie(a.worked, a.bandMode, a.seconds) < std::tie(b.worked, b.bandMode, b.seconds);
        });
        std::vector<std::size_t> positions;
        std::vector<TimedRecord> times;
        for (; at != m_byWorked.end() && at->worked == worked && at->bandMode == bandMode; ++at)
            if (at->station == station && open(*at)) {
                positions.push_back(static_cast<std::size_t>(at - m_byWorked.begin()));
                times.push_back(TimeOf(*at));
            }
        return m_stationRuns.emplace(key, StationRun{std::move(positions), FreeTimes(times)}).first->second;
    }

    void takeFromRun(std::size_t position) {
        const Entry& entry = m_byWorked[position];
        StationRun& run = stationRun(entry.worked, entry.bandMode, entry.station);
        const auto at = std::lower_bound(run.positions.begin(), run.positions.end(), position);
        if (at != run.positions.end() && *at == position)
            run.free.take(static_cast<std::size_t>(at - run.positions.begin()));
    }

    // The nearest open record, within the window, of a station one slip from the call `mine`
    // logged that logged `mine`'s station: (time apart, position in m_byWorked), the first of equals.
    std::optional<std::pair<std::int64_t, std::size_t>> nearestBustedPartner(const Entry& mine) {
        const std::string_view logged = m_calls.name(mine.worked);
        // A minute's time spans 60 seconds: the stations are looked for that far on either side.
        const std::int64_t reach = m_rules.windowSeconds + 59;
        const Entry from{.station = 0, .worked = mine.station, .bandMode = mine.bandMode, .log = 0, .qso = 0,
                         .seconds = mine.seconds - reach};
        const auto begin = std::lower_bound(m_byWorked.begin(), m_byWorked.end(), from, [](const Entry& a, const Entry& b) {
            return std::tie(a.worked, a.bandMode, a.seconds) < std::tie(b.worked, b.bandMode, b.seconds);
        });
        std::optional<std::pair<std::int64_t, std::size_t>> best;
        m_stationsSeen.clear();
        for (std::size_t p = static_cast<std::size_t>(begin - m_byWorked.begin());
             p < m_byWorked.size() && m_byWorked[p].worked == mine.station && m_byWorked[p].bandMode == mine.bandMode &&
             m_byWorked[p].seconds <= mine.seconds + reach;
             p = m_sameBlockEnd[p]) {
            const std::uint32_t station = m_byWorked[p].station;
            // Most records are matched by now: a single closed one is passed before any call is compared.
            if (m_sameBlockEnd[p] == p + 1 && !open(m_byWorked[p])) continue;
            if (station == mine.worked || station == mine.station ||
                std::find(m_stationsSeen.begin(), m_stationsSeen.end(), station) != m_stationsSeen.end())
                continue;
            m_stationsSeen.push_back(station);
            if (SlipBetween(logged, m_calls.name(station)) == CallSlip::none) continue;
            StationRun& run = stationRun(mine.station, mine.bandMode, station);
            auto found = run.free.nearest(TimeOf(mine));
            // A record taken as the one looking for its partner is still free here: taken now.
            while (found && !open(m_byWorked[run.positions[found->second]])) {
                run.free.take(found->second);
                found = run.free.nearest(TimeOf(mine));
            }
            if (!found) continue;
            const std::pair candidate{found->first, run.positions[found->second]};
            if (!best || candidate < *best) best = candidate;
        }
        return best;
    }

    // As if every pair of an open record and an open record of a station one slip from its call
    // within the window were sorted by (time apart, record, partner) and linked while both are open;
    // each record keeps only its nearest open partner in a heap, so many records at one time cost
    // n log n where all pairs would cost n².
    void findBustedCallsByWorkedCall() {
        using Candidate = std::tuple<std::int64_t, std::size_t, std::size_t>;  // time apart, mine, partner
        std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
        const auto offer = [&](std::size_t i) {
            if (const auto found = nearestBustedPartner(m_byPair[i]); found && found->first <= m_rules.windowSeconds)
                queue.emplace(found->first, i, found->second);
        };
        for (std::size_t i = 0; i < m_byPair.size(); ++i)
            if (open(m_byPair[i])) offer(i);
        while (!queue.empty()) {
            const auto [apart, i, position] = queue.top();
            queue.pop();
            const Entry& mine = m_byPair[i];
            if (!open(mine)) continue;
            const Entry& theirs = m_byWorked[position];
            if (!open(theirs)) {
                offer(i);
                continue;
            }
            link(mine, theirs, Verdict::bustedCall, SlipBetween(m_calls.name(mine.worked), m_calls.name(theirs.station)));
            takeFromRun(position);
        }
    }

    void classifyRest() {
        // How many logs hold each call, for uniques.
        std::vector<std::uint32_t> loggers(m_calls.size(), 0);
        for (std::size_t i = 0; i < m_byPair.size(); ++i)
            if (i == 0 || m_byPair[i].station != m_byPair[i - 1].station ||
                m_byPair[i].worked != m_byPair[i - 1].worked)
                ++loggers[m_byPair[i].worked];
        for (const Entry& entry : m_byPair) {
            if (!open(entry)) continue;
            QsoCheck& found = check(entry);
            if (m_logOfStation[entry.worked] != kNoLog)
                found.verdict = Verdict::notInLog;
            else
                found.verdict = loggers[entry.worked] > 1 ? Verdict::notCheckable : Verdict::unique;
        }
    }

    // The plug-in scores a QSO logged again on its band and mode as a dupe, however well both sides
    // logged the repeat: a confirmed record after an earlier confirmed one of its call, band and
    // mode in its log is labelled so.
    void markRepeatsOfConfirmedQsos() {
        for (std::size_t begin = 0; begin < m_byPair.size();) {
            const std::size_t end = groupEnd(begin);
            if (end - begin > 1) {
                std::uint32_t first = std::numeric_limits<std::uint32_t>::max();
                for (std::size_t i = begin; i < end; ++i)
                    if (check(m_byPair[i]).partnerLog != kNoPartner && !m_byPair[i].outsidePeriod)
                        first = std::min(first, m_byPair[i].qso);
                for (std::size_t i = begin; i < end; ++i)
                    if (QsoCheck& found = check(m_byPair[i]);
                        found.verdict == Verdict::matched && m_byPair[i].qso > first)
                        found.verdict = Verdict::dupe;
            }
            begin = end;
        }
    }

    void markOutsidePeriod() {
        for (const Entry& entry : m_byPair)
            if (entry.outsidePeriod) check(entry).verdict = Verdict::outsidePeriod;
    }

    const std::vector<CrossLog>& m_logs;
    const MatchRules& m_rules;
    Names m_calls;
    boost::unordered_flat_map<std::string, std::uint32_t> m_bandModes;
    std::vector<std::uint32_t> m_logOfStation;
    std::vector<Entry> m_byPair;    // by station, call worked, band-mode, time
    boost::unordered_flat_map<std::uint64_t, std::uint32_t> m_groupBegins;  // GroupKey: its first entry
    std::vector<Entry> m_byWorked;  // by call worked, band-mode, time
    std::vector<std::uint32_t> m_sameBlockEnd;  // in m_byWorked: past the records of one station at one second
    std::map<RunKey, StationRun> m_stationRuns;
    std::vector<std::uint32_t> m_stationsSeen;
    std::vector<std::vector<QsoCheck>> m_checks;
    std::vector<std::vector<bool>> m_dupe;
};

}  // namespace

bool KeepsCredit(Verdict verdict, const MatchRules& rules) {
    switch (verdict) {
        case Verdict::bustedExchange:
        case Verdict::bustedCall:
        case Verdict::notInLog:
        case Verdict::outsidePeriod:
            return false;
        case Verdict::unique:
            return !rules.removeUniques;
        case Verdict::matched:
        case Verdict::notCheckable:
        case Verdict::dupe:
        case Verdict::rejected:
            break;
    }
    return true;
}

bool SameExchange(std::string_view received, std::string_view sent) {
    received = TrimmedBlanks(received);
    sent = TrimmedBlanks(sent);
    const auto receivedSerial = SerialOf(received);
    const auto sentSerial = SerialOf(sent);
    if (receivedSerial && sentSerial) return *receivedSerial == *sentSerial;
    return ToUpperAscii(received) == ToUpperAscii(sent);
}

std::vector<std::vector<QsoCheck>> CrossCheck(const std::vector<CrossLog>& logs, const MatchRules& rules) {
    return CrossChecker(logs, rules).run();
}
