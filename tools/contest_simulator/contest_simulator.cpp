#include "tools/contest_simulator/contest_simulator.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string_view>
#include <unordered_set>

#include "engine/contest_rules.h"
#include "engine/district_list.h"
#include "engine/file_store.h"
#include "reports/cabrillo_modes.h"
#include "logs/qso_fields.h"
#include "logs/log_reader.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::string_view kUrPrefixes[] = {"UR", "UT", "UX", "UY", "US", "UZ", "EM", "EO", "UV", "UW"};
constexpr std::string_view kOtherPrefixes[] = {
    "DL", "OK", "SP", "G",  "M",  "F",  "I", "HA", "OM", "LY", "YL", "ES", "EW", "S5", "9A", "OH",
    "SM", "LA", "ON", "PA", "YO", "LZ", "K", "W",  "N",  "JA", "VE", "EA", "CT", "OE", "SV", "ER"};
struct BandRange {
    const char* name;
    unsigned lowKHz, highKHz;
};
constexpr BandRange kBands[] = {{"160m", 1810, 1990}, {"80m", 3500, 3790}, {"40m", 7000, 7190}};
constexpr int kBandModes = 3 * kModeColumns;
constexpr int kClockErrorMinutes = 8;  // past any sensible window, and more for a few

// Whether one slip of the pen turns one call into the other: a character changed, missing or
// extra, two neighbours swapped, or a different part after "/".
bool OneSlipApart(std::string_view a, std::string_view b) {
    if (a.size() < b.size()) std::swap(a, b);
    if (a.size() == b.size()) {
        std::size_t first = 0;
        while (first < a.size() && a[first] == b[first]) ++first;
        if (first == a.size() || a.substr(first + 1) == b.substr(first + 1)) return true;
        if (first + 1 < a.size() && a[first] == b[first + 1] && a[first + 1] == b[first] &&
            a.substr(first + 2) == b.substr(first + 2))
            return true;
    } else if (a.size() == b.size() + 1) {
        std::size_t first = 0;
        while (first < b.size() && a[first] == b[first]) ++first;
        if (a.substr(first + 1) == b.substr(first)) return true;
    }
    const auto base = [](std::string_view call) { return call.substr(0, call.find('/')); };
    return (a.find('/') != std::string_view::npos || b.find('/') != std::string_view::npos) && base(a) == base(b);
}

struct Station {
    std::string call;
    bool ur = false;
    std::string district;
    int clockOffset = 0;  // seconds the station's clock is off
    bool participant = false;
};

struct Record {
    std::size_t station = 0;       // whose log
    std::size_t worked = kNone;    // the station worked, when it is one of the stations
    std::string call;              // as logged
    std::int64_t trueSeconds = 0;  // after the start
    std::int64_t loggedSeconds = 0;
    int band = 0, mode = 0;
    unsigned kHz = 0;
    std::string sent, received;
    std::size_t partner = kNone;  // the other station's record of the QSO
    bool deleted = false;
    Truth verdict = Truth::matched;
    PlantedSlip slip = PlantedSlip::none;
    std::string label;
};

class Simulator {
public:
    explicit Simulator(const SimulatorSettings& settings) : m_settings(settings), m_random(settings.seed) {}

    SimulatedContest run() {
        if (!m_settings.includedText.empty()) {
            m_included = ReadContestLog(m_settings.includedText);
            if (m_included.ownCall.empty() && !m_included.qsos.empty())
                m_included.ownCall = m_included.qsos.front().myCall;
            if (!m_included.ownCall.empty()) addIncludedStations();
        }
        makeStations();
        playQsos();
        if (m_settings.plantedOfEachKind > 0) {
            plantUniques();
            plantDupes();
        }
        fillExchanges();
        if (m_fixed != kNone) answerIncludedLog();
        if (m_settings.plantedOfEachKind > 0) {
            for (PlantedSlip slip :
                 {PlantedSlip::changed, PlantedSlip::missing, PlantedSlip::extra, PlantedSlip::swapped, PlantedSlip::suffix})
                plantBustedCalls(slip);
            plantBustedExchanges();
            plantNils();
            plantClockErrors();
            plantUnloggedStation();
        }
        settleStationsWithoutLog();
        return write();
    }

private:
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    char letter() { return static_cast<char>('A' + below(26)); }

    std::string randomCall(bool ur) {
        std::string call(ur ? kUrPrefixes[below(std::size(kUrPrefixes))]
                            : kOtherPrefixes[below(std::size(kOtherPrefixes))]);
        call += static_cast<char>('0' + below(10));
        const std::size_t letters = 1 + below(3) + (call.size() < 3 ? 1 : 0);
        for (std::size_t i = 0; i < letters; ++i) call += letter();
        return call;
    }

    // No call is one slip from another, so every busted call has one answer.
    bool farFromAll(const std::string& call, std::size_t except = kNone) const {
        if (m_calls.contains(call)) return false;
        for (std::size_t i = 0; i < m_stations.size(); ++i)
            if (i != except && OneSlipApart(call, m_stations[i].call)) return false;
        return true;
    }

    std::string freshCall(bool ur) {
        for (;;) {
            std::string call = randomCall(ur);
            if (farFromAll(call)) return call;
        }
    }

    void addStation(bool participant) {
        Station station;
        station.ur = below(100) < 45;
        station.call = freshCall(station.ur);
        if (station.ur) station.district = m_settings.districts[below(m_settings.districts.size())];
        station.clockOffset = static_cast<int>(below(121)) - 60;
        station.participant = participant;
        m_calls.insert(station.call);
        m_stations.push_back(std::move(station));
    }

    void makeStations() {
        for (std::size_t i = m_stations.size(); i < m_settings.stations; ++i) addStation(true);
        for (std::size_t i = 0; i < std::max<std::size_t>(4, m_settings.stations / 5); ++i) addStation(false);
    }

    // The included log's station, then the stations it worked, as long as there are places.
    void addIncludedStations() {
        Station own;
        own.call = m_included.ownCall;
        own.ur = CountryOfCall(own.call) == "UR";
        own.district = m_settings.districts.front();
        own.participant = true;
        m_fixed = 0;
        m_used.insert(m_fixed);
        m_calls.insert(own.call);
        m_stations.push_back(std::move(own));
        for (const LogQso& qso : m_included.qsos) {
            if (m_stations.size() >= m_settings.stations) break;
            const std::string& call = qso.call;
            if (call.empty() || m_calls.contains(call) || call.find('/') != std::string::npos) continue;
            Station station;
            station.call = call;
            station.ur = CountryOfCall(call) == "UR";
            station.district = station.ur ? qso.exchReceived : "";
            station.clockOffset = static_cast<int>(below(121)) - 60;
            station.participant = true;
            m_calls.insert(call);
            m_stations.push_back(std::move(station));
        }
    }

    // Each station the included log worked logs its side of the QSO once per band and mode,
    // having sent what the log received.
    void answerIncludedLog() {
        std::map<std::string, std::size_t> stationOf;
        for (std::size_t s = 0; s < m_stations.size(); ++s) stationOf[m_stations[s].call] = s;
        std::set<std::string> answered;
        for (const LogQso& qso : m_included.qsos) {
            const auto found = stationOf.find(qso.call);
            const auto band = BandIndex(qso.band);
            const std::string_view modeName = qso.mode;
            const auto* modeAt = std::find(std::begin(contest_tables::kModeNames),
                                           std::end(contest_tables::kModeNames), modeName);
            if (found == stationOf.end() || found->second == m_fixed || !band ||
                modeAt == std::end(contest_tables::kModeNames))
                continue;
            const int mode = static_cast<int>(modeAt - std::begin(contest_tables::kModeNames));
            if (!answered.insert(found->first + "\t" + std::to_string(*band) + "\t" + std::to_string(mode))
                     .second)
                continue;
            Record record;
            record.station = found->second;
            record.worked = m_fixed;
            record.call = m_stations[m_fixed].call;
            record.trueSeconds =
                static_cast<std::int64_t>((qso.time.m_dt - m_settings.start.m_dt) * 86400.0 + 0.5);
            record.loggedSeconds = (record.trueSeconds + m_stations[record.station].clockOffset) / 60 * 60;
            record.band = *band;
            record.mode = mode;
            record.kHz = qso.frequencyHz / 1000;
            record.sent = qso.exchReceived;
            record.received = qso.exchSent;
            m_records.push_back(std::move(record));
        }
    }

    std::int64_t contestSeconds() const { return std::int64_t{m_settings.hours} * 3600; }

    Record newRecord(std::size_t station, std::size_t worked, std::int64_t seconds, int bandMode) {
        Record record;
        record.station = station;
        record.worked = worked;
        record.call = m_stations[worked].call;
        record.trueSeconds = seconds;
        record.band = bandMode / kModeColumns;
        record.mode = bandMode % kModeColumns;
        const BandRange& band = kBands[record.band];
        record.kHz = band.lowKHz + static_cast<unsigned>(below(band.highKHz - band.lowKHz));
        return record;
    }

    // Every pair of stations works once per band and mode; a tenth of the records are QSOs with
    // stations that send no log, each logged by two participants at least.
    void playQsos() {
        const std::size_t participants = m_settings.stations;
        const std::size_t records = participants * m_settings.qsosPerLog;
        std::unordered_set<std::uint64_t> worked;
        auto key = [](std::size_t a, std::size_t b, int bandMode) {
            return (static_cast<std::uint64_t>(std::min(a, b)) << 40) |
                   (static_cast<std::uint64_t>(std::max(a, b)) << 8) | static_cast<std::uint64_t>(bandMode);
        };
        const std::size_t pairQsos = records * 45 / 100;
        for (std::size_t attempts = 0, made = 0; made < pairQsos && attempts < pairQsos * 20; ++attempts) {
            const std::size_t a = below(participants), b = below(participants);
            const int bandMode = static_cast<int>(below(kBandModes));
            if (a == b || a == m_fixed || b == m_fixed || !worked.insert(key(a, b, bandMode)).second)
                continue;
            const std::int64_t seconds =
                static_cast<std::int64_t>(below(static_cast<std::size_t>(contestSeconds())));
            m_records.push_back(newRecord(a, b, seconds, bandMode));
            m_records.push_back(newRecord(b, a, seconds, bandMode));
            m_records[m_records.size() - 2].partner = m_records.size() - 1;
            m_records.back().partner = m_records.size() - 2;
            ++made;
        }
        const std::size_t others = m_stations.size() - participants;
        for (std::size_t x = 0; x < others; ++x) {
            const std::size_t loggers = std::max<std::size_t>(2, records / 10 / others);
            for (std::size_t n = 0, attempts = 0; n < loggers && attempts < loggers * 20; ++attempts) {
                const std::size_t a = below(participants);
                const int bandMode = static_cast<int>(below(kBandModes));
                if (a == m_fixed || !worked.insert(key(a, participants + x, bandMode)).second) continue;
                const std::int64_t seconds =
                    static_cast<std::int64_t>(below(static_cast<std::size_t>(contestSeconds())));
                m_records.push_back(newRecord(a, participants + x, seconds, bandMode));
                ++n;
            }
        }
    }

    // A station of a planted error is used for no other, so no two errors can meet.
    bool takeFresh(std::size_t station) {
        if (m_used.contains(station)) return false;
        m_used.insert(station);
        return true;
    }

    // A record of a clean QSO between two stations that no planted error has touched yet, away
    // from the contest's ends.
    std::size_t freshPairRecord() {
        for (std::size_t attempts = 0; attempts < m_records.size() * 4; ++attempts) {
            const std::size_t r = below(m_records.size());
            const Record& record = m_records[r];
            if (record.partner == kNone || record.deleted || record.verdict != Truth::matched) continue;
            if (record.trueSeconds < 1800 || record.trueSeconds > contestSeconds() - 3600) continue;
            if (m_used.contains(record.station) || m_used.contains(record.worked)) continue;
            m_used.insert(record.station);
            m_used.insert(record.worked);
            return r;
        }
        return kNone;
    }

    void count(const char* kind) { ++m_planted[kind]; }

    void plantUniques() {
        for (std::size_t n = 0; n < m_settings.plantedOfEachKind; ++n) {
            const std::size_t a = below(m_settings.stations);
            if (!takeFresh(a)) continue;
            Station ghost;
            ghost.ur = below(2) == 0;
            ghost.call = freshCall(ghost.ur);
            m_calls.insert(ghost.call);
            Record record =
                newRecord(a, a, static_cast<std::int64_t>(below(static_cast<std::size_t>(contestSeconds()))),
                          static_cast<int>(below(kBandModes)));
            record.worked = kNone;
            record.call = ghost.call;
            record.received =
                ghost.ur ? m_settings.districts[below(m_settings.districts.size())] : Serial(1 + below(400));
            record.verdict = Truth::unique;
            record.label = "unique: " + ghost.call + " was logged by this log only";
            m_records.push_back(std::move(record));
            count("unique");
        }
    }

    void plantDupes() {
        for (std::size_t n = 0; n < m_settings.plantedOfEachKind; ++n) {
            const std::size_t r = freshPairRecord();
            if (r == kNone) continue;
            Record repeat = m_records[r];
            repeat.trueSeconds += 20 * 60 + static_cast<std::int64_t>(below(30 * 60));
            repeat.partner = kNone;
            repeat.verdict = Truth::dupe;
            repeat.label = "dupe: " + repeat.call + " logged again on the same band and mode";
            m_records.push_back(std::move(repeat));
            count("dupe");
        }
    }

    static std::string Serial(std::size_t number) {
        char text[24];
        std::snprintf(text, sizeof text, "%03zu", number);
        return text;
    }

    // Serial numbers run in each log's time order; each side receives what the other sent.
    void fillExchanges() {
        std::vector<std::vector<std::size_t>> byStation(m_stations.size());
        for (std::size_t r = 0; r < m_records.size(); ++r) byStation[m_records[r].station].push_back(r);
        for (std::size_t s = 0; s < m_stations.size(); ++s) {
            auto& mine = byStation[s];
            std::stable_sort(mine.begin(), mine.end(), [&](std::size_t a, std::size_t b) {
                return m_records[a].trueSeconds < m_records[b].trueSeconds;
            });
            for (std::size_t i = 0; i < mine.size(); ++i) {
                Record& record = m_records[mine[i]];
                record.sent = m_stations[s].ur ? m_stations[s].district : Serial(i + 1);
                record.loggedSeconds = (record.trueSeconds + m_stations[s].clockOffset) / 60 * 60;
            }
        }
        std::vector<std::size_t> sentToOthers(m_stations.size(), 0);
        for (Record& record : m_records) {
            if (record.partner != kNone) {
                record.received = m_records[record.partner].sent;
            } else if (record.worked != kNone && !m_stations[record.worked].participant) {
                const Station& other = m_stations[record.worked];
                record.received = other.ur ? other.district : Serial(++sentToOthers[record.worked]);
            } else if (record.verdict == Truth::dupe) {
                const Station& other = m_stations[record.worked];
                record.received = other.ur ? other.district : Serial(500 + below(400));
            }
        }
    }

    static std::string Mutated(const std::string& call, PlantedSlip slip, std::size_t at, char letter) {
        std::string wrong = call;
        switch (slip) {
            case PlantedSlip::changed:
                wrong[at] = letter;
                break;
            case PlantedSlip::missing:
                wrong.erase(at, 1);
                break;
            case PlantedSlip::extra:
                wrong.insert(at, 1, letter);
                break;
            case PlantedSlip::swapped:
                std::swap(wrong[at], wrong[at + 1]);
                break;
            case PlantedSlip::suffix:
                wrong += "/P";
                break;
            case PlantedSlip::none:
                break;
        }
        return wrong;
    }

    void plantBustedCalls(PlantedSlip slip) {
        for (std::size_t n = 0; n < m_settings.plantedOfEachKind; ++n) {
            const std::size_t r = freshPairRecord();
            if (r == kNone) continue;
            Record& record = m_records[r];
            const std::string& correct = m_stations[record.worked].call;
            std::string wrong;
            for (int attempt = 0; attempt < 100; ++attempt) {
                const std::string candidate = Mutated(correct, slip, below(correct.size() - 1), letter());
                if (candidate != correct && farFromAll(candidate, record.worked)) {
                    wrong = candidate;
                    break;
                }
            }
            if (wrong.empty()) continue;
            m_calls.insert(wrong);
            record.call = wrong;
            record.verdict = Truth::bustedCall;
            record.slip = slip;
            record.label =
                "busted call: " + wrong + " for " + correct + " (" + std::string(PlantedSlipName(slip)) + ")";
            count("busted call");
        }
    }

    void plantBustedExchanges() {
        for (std::size_t n = 0; n < m_settings.plantedOfEachKind; ++n) {
            const std::size_t r = freshPairRecord();
            if (r == kNone) continue;
            Record& record = m_records[r];
            const Station& other = m_stations[record.worked];
            std::string wrong = record.received;
            if (other.ur && m_settings.districts.size() > 1) {
                while (wrong == record.received)
                    wrong = m_settings.districts[below(m_settings.districts.size())];
            } else {
                wrong = Serial(std::stoul(record.received) + 1 + below(9));
            }
            record.label = "busted exchange: " + wrong + " for " + record.received;
            record.received = wrong;
            record.verdict = Truth::bustedExchange;
            count("busted exchange");
        }
    }

    void plantNils() {
        for (std::size_t n = 0; n < m_settings.plantedOfEachKind; ++n) {
            const std::size_t r = freshPairRecord();
            if (r == kNone) continue;
            Record& record = m_records[r];
            m_records[record.partner].deleted = true;
            record.verdict = Truth::notInLog;
            record.label = "NIL: " + record.call + " has no record of the QSO";
            count("NIL");
        }
    }

    void plantClockErrors() {
        for (std::size_t n = 0; n < m_settings.plantedOfEachKind; ++n) {
            const std::size_t r = freshPairRecord();
            if (r == kNone) continue;
            Record& record = m_records[r];
            const std::int64_t minutes = kClockErrorMinutes + static_cast<std::int64_t>(below(20));
            record.loggedSeconds += (below(2) == 0 ? 1 : -1) * minutes * 60;
            record.verdict = Truth::notInLog;
            record.label = "time off: logged " + std::to_string(minutes) + " minutes off";
            Record& partner = m_records[record.partner];
            partner.verdict = Truth::notInLog;
            partner.label = "time off, other side: " + record.call + "'s log has the QSO " +
                            std::to_string(minutes) + " minutes off";
            count("time off");
        }
    }

    // A participant whose QSOs nobody logged: all of its records are not in the other logs.
    void plantUnloggedStation() {
        for (std::size_t z = 0; z < m_settings.stations; ++z) {
            if (m_used.contains(z)) continue;
            m_used.insert(z);
            for (Record& record : m_records) {
                if (record.station != z) continue;
                if (record.partner == kNone) {
                    record.deleted = true;  // no QSOs with stations without a log: every record is checkable
                    continue;
                }
                m_records[record.partner].deleted = true;
                record.verdict = Truth::notInLog;
                record.label = "log nobody logged: " + m_stations[z].call;
            }
            count("log nobody logged");
            return;
        }
    }

    // A station without a log is unique when one log alone holds it, not checkable otherwise.
    void settleStationsWithoutLog() {
        std::vector<std::set<std::size_t>> loggers(m_stations.size());
        for (const Record& record : m_records)
            if (!record.deleted && record.worked != kNone && !m_stations[record.worked].participant)
                loggers[record.worked].insert(record.station);
        for (Record& record : m_records) {
            if (record.deleted || record.worked == kNone || m_stations[record.worked].participant) continue;
            record.verdict = loggers[record.worked].size() > 1 ? Truth::notCheckable : Truth::unique;
        }
    }

    std::string dateText(std::int64_t seconds, const char* format) const {
        OleDateTime time = m_settings.start;
        time.m_dt += (static_cast<double>(seconds) + 0.5) / 86400.0;  // never a hair below the minute
        return FormatOleDate(time, format);
    }

    static std::string AdifField(std::string_view name, std::string_view value) {
        return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + std::string(value) + " ";
    }

    static std::pair<std::string, std::string> AdifMode(std::string_view mode) {
        if (mode == "CW" || mode == "SSB" || mode == "RTTY") return {std::string(mode), ""};
        if (mode == "MFSK") return {"MFSK", "MFSK16"};
        if (mode.starts_with("B")) return {"PSK", std::string(mode.substr(1))};  // BPSK31 is PSK31
        return {"PSK", std::string(mode)};
    }

    std::string qsoLine(const Station& station, const Record& record) const {
        const std::string rst = record.mode == 1 ? "59" : "599";
        char line[160];
        std::snprintf(line, sizeof line, "QSO: %5u %-2s %s %s %-13s %-3s %-6s %-13s %-3s %-6s\n", record.kHz,
                      std::string(CabrilloModeCode(contest_tables::kModeNames[record.mode])).c_str(),
                      dateText(record.loggedSeconds, "%Y-%m-%d").c_str(),
                      dateText(record.loggedSeconds, "%H%M").c_str(), station.call.c_str(), rst.c_str(),
                      record.sent.c_str(), record.call.c_str(), rst.c_str(), record.received.c_str());
        return line;
    }

    std::string adifRecord(const Station& station, const Record& record) const {
        const std::string rst = record.mode == 1 ? "59" : "599";
        const auto [mode, submode] = AdifMode(contest_tables::kModeNames[record.mode]);
        char mhz[32];
        std::snprintf(mhz, sizeof mhz, "%.3f", record.kHz / 1000.0);
        std::string text =
            AdifField("CALL", record.call) + AdifField("QSO_DATE", dateText(record.loggedSeconds, "%Y%m%d")) +
            AdifField("TIME_ON", dateText(record.loggedSeconds, "%H%M")) +
            AdifField("BAND", kBands[record.band].name) + AdifField("FREQ", mhz) + AdifField("MODE", mode);
        if (!submode.empty()) text += AdifField("SUBMODE", submode);
        text += AdifField("RST_SENT", rst) + AdifField("RST_RCVD", rst) +
                AdifField("STX_STRING", record.sent) + AdifField("SRX_STRING", record.received) +
                AdifField("STATION_CALLSIGN", station.call) + "<EOR>\n";
        return text;
    }

    SimulatedContest write() {
        SimulatedContest contest;
        contest.planted = m_planted;
        std::vector<std::vector<const Record*>> logs(m_settings.stations);
        for (const Record& record : m_records)
            if (!record.deleted) logs[record.station].push_back(&record);
        for (std::size_t s = 0; s < m_settings.stations; ++s) {
            const Station& station = m_stations[s];
            if (s == m_fixed) {
                contest.logs.push_back({station.call, m_settings.includedFileName, m_settings.includedText});
                continue;
            }
            auto& records = logs[s];
            std::stable_sort(records.begin(), records.end(), [](const Record* a, const Record* b) {
                return std::tie(a->loggedSeconds, a->trueSeconds) <
                       std::tie(b->loggedSeconds, b->trueSeconds);
            });
            SimulatedLog log;
            log.call = station.call;
            const int format = static_cast<int>(s % 3);
            log.fileName = station.call + (format == 0 ? ".log" : format == 1 ? ".cbr" : ".adi");
            if (format == 0)
                log.text = "START-OF-LOG: 3.0\nCONTEST: ZELK\nCALLSIGN: " + station.call +
                           "\nCATEGORY-OPERATOR: " + (s % 4 == 0 ? "MULTI-OP" : "SINGLE-OP") +
                           "\nCATEGORY-MODE: MIXED\nCREATED-BY: contest simulator\n";
            else if (format == 1)
                log.text = "START-OF-LOG: 2.0\nCONTEST: ZELK\nCALLSIGN: " + station.call +
                           "\nCATEGORY: SINGLE-OP ALL LOW\nNAME: Simulated operator\n";
            else
                log.text = "ZELK contest log of " + station.call +
                           "\n<ADIF_VER:5>3.1.0 <PROGRAMID:17>contest simulator\n<EOH>\n";
            std::size_t line = static_cast<std::size_t>(std::count(log.text.begin(), log.text.end(), '\n'));
            for (const Record* record : records) {
                log.text += format == 2 ? adifRecord(station, *record) : qsoLine(station, *record);
                contest.truth.push_back({log.fileName, ++line, record->verdict, record->slip, record->label});
            }
            if (format != 2) log.text += "END-OF-LOG:\n";
            contest.logs.push_back(std::move(log));
        }
        return contest;
    }

    const SimulatorSettings& m_settings;
    std::mt19937_64 m_random;
    std::vector<Station> m_stations;
    std::unordered_set<std::string> m_calls;
    std::vector<Record> m_records;
    std::set<std::size_t> m_used;
    std::map<std::string, std::size_t> m_planted;
    LogContents m_included;
    std::size_t m_fixed = kNone;  // the included log's station
};

}  // namespace

SimulatedContest SimulateContest(const SimulatorSettings& settings) {
    SimulatorSettings checked = settings;
    if (checked.districts.empty()) checked.districts = {"KI01"};
    return Simulator(checked).run();
}

std::string_view TruthName(Truth truth) {
    switch (truth) {
        case Truth::matched:
            return "matched";
        case Truth::bustedExchange:
            return "busted exchange";
        case Truth::bustedCall:
            return "busted call";
        case Truth::notInLog:
            return "not in log";
        case Truth::unique:
            return "unique";
        case Truth::notCheckable:
            return "not checkable";
        case Truth::dupe:
            return "dupe";
    }
    return "";
}

std::string_view PlantedSlipName(PlantedSlip slip) {
    switch (slip) {
        case PlantedSlip::changed:
            return "changed character";
        case PlantedSlip::missing:
            return "missing character";
        case PlantedSlip::extra:
            return "extra character";
        case PlantedSlip::swapped:
            return "swapped characters";
        case PlantedSlip::suffix:
            return "different /suffix";
        case PlantedSlip::none:
            break;
    }
    return "";
}

std::vector<std::string> DistrictCodesOf(const std::string& districtList) {
    std::vector<std::string> codes;
    std::string code;
    ForEachLine(districtList, [&](std::string_view line) {
        if (DistrictList::CodeOfLine(line, code)) codes.push_back(code);
    });
    return codes;
}
