#include "tools/zelk_check/log_check.h"

#include <algorithm>
#include <cmath>

#include "boundary/plugin_calls.h"
#include "boundary/statistics_reset.h"
#include "engine/bad_qso_file.h"
#include "engine/district_list.h"
#include "tools/zelk_check/checker_file_store.h"
#include "tools/zelk_check/qso_fields.h"

namespace {

constexpr std::string_view kHeaderKeys[] = {"Callsign",  "Category", "Contest", "Claimed", "Name",
                                            "Address",   "Operators", "Club",   "Email",   "SoapBox"};

// The host around the plug-in, as far as a check needs one: settings in memory, no windows, and
// a header dialog that the header values fill and confirm.
class CheckerPlatform final : public Platform {
public:
    explicit CheckerPlatform(const HeaderValues& header) : m_header(header) {}

    std::string readSetting(std::string_view key, std::string_view fallback) override {
        auto found = m_settings.find(key);
        return found == m_settings.end() ? std::string(fallback) : found->second;
    }
    void writeSetting(std::string_view key, std::string_view value) override {
        m_settings.insert_or_assign(std::string(key), std::string(value));
    }
    void showMessage(std::string_view text, std::string_view, MessageKind) override { m_lastMessage = text; }
    // The host's ini file is there, so the plug-in reads the version given for it.
    std::vector<std::string> listFiles(std::string_view) override { return {kHostIniName}; }
    bool setupWindowOpen() override { return true; }
    void startSetupThread() override {}
    void postRefresh() override {}

    bool runHeaderDialog(HeaderDialogValues& values) override {
        const std::pair<std::string_view, std::string*> boxes[] = {
            {"Callsign", &values.callsign}, {"Category", &values.category}, {"Contest", &values.contest},
            {"Claimed", &values.claimed},
            {"Name", &values.name},         {"Address", &values.address},   {"Operators", &values.operators},
            {"Club", &values.club},         {"Email", &values.email},       {"SoapBox", &values.soapbox}};
        for (const auto& [key, box] : boxes)
            if (auto found = m_header.find(key); found != m_header.end()) *box = found->second;
        return true;
    }

    const std::string& lastMessage() const { return m_lastMessage; }

private:
    const HeaderValues& m_header;
    std::map<std::string, std::string, std::less<>> m_settings;
    std::string m_lastMessage;
};

std::size_t CountLines(std::string_view text) {
    std::size_t lines = 0;
    ForEachLine(text, [&](std::string_view) { ++lines; });
    return lines;
}

std::string_view CountryFor(const LogQso& qso, const CheckSettings& settings) {
    if (auto found = settings.countryByCall.find(qso.call); found != settings.countryByCall.end())
        return found->second;
    if (settings.countryForAll) return *settings.countryForAll;
    return qso.country;
}

}  // namespace

HeaderValues ParseHeaderValues(std::string_view text, std::vector<std::string>* unknownKeys) {
    HeaderValues values;
    ForEachLine(text, [&](std::string_view line) {
        const std::string_view trimmed = TrimmedBlanks(line);
        const std::size_t equals = line.find('=');
        if (trimmed.empty() || trimmed.front() == '#' || equals == std::string_view::npos) return;
        const std::string_view key = TrimmedBlanks(line.substr(0, equals));
        if (std::find(std::begin(kHeaderKeys), std::end(kHeaderKeys), key) == std::end(kHeaderKeys)) {
            if (unknownKeys) unknownKeys->emplace_back(key);
            return;
        }
        std::string value(line.substr(equals + 1));
        // "\n" stands for a line break typed into a multi-line box.
        for (std::size_t at = 0; (at = value.find("\\n", at)) != std::string::npos; at += 2) value.replace(at, 2, "\r\n");
        values.insert_or_assign(std::string(key), std::move(value));
    });
    return values;
}

bool IsHeaderKey(std::string_view key) {
    return std::find(std::begin(kHeaderKeys), std::end(kHeaderKeys), key) != std::end(kHeaderKeys);
}

CheckOutcome CheckLog(const LogContents& log, const CheckSettings& settings) {
    return CheckQsos(
        [&](const QsoSink& add) {
            for (const LogQso& qso : log.qsos) {
                QsoInput input = qso.input();
                input.country = CountryFor(qso, settings);
                add(input);
            }
        },
        settings);
}

CheckOutcome CheckQsos(const std::function<void(const QsoSink&)>& forEachQso, const CheckSettings& settings) {
    CheckerFileStore files;
    CheckerPlatform platform(settings.header);
    files.replace(kHostIniName, "[Main]\r\nVexl=" + settings.hostVersion + "\r\n");
    if (settings.districtList) files.replace(kDistrictFilePath, *settings.districtList);

    PluginState state;
    state.contest.districtList.setUpperCase(settings.upperCase);
    state.htmlResults = settings.html ? 1 : 0;
    ResetArguments reset;
    reset.cabrilloRequest = settings.cabrillo ? 1 : 0;
    reset.myCall = settings.ownCall;
    reset.contestStart = settings.contestStart;
    reset.contestEnd = settings.contestEnd;
    reset.ownCountryPrefix = "";
    RunStatisticsReset(state, reset, platform, files);

    CheckOutcome outcome;
    forEachQso([&](const QsoInput& input) {
        if (AddQso(state, input, files) != 0)
            ++outcome.qsosLogged;
        else
            ++outcome.qsosRejected;
    });

    int out = 0;
    outcome.summary = ProduceResults(state, &out, platform, files);
    outcome.score = ScoreContest(
        state.contest, CountBadQsoLines(files, state.contest.badQsoFileName, state.contest.badQsoBacklog));
    outcome.badQsoFile.name = state.contest.badQsoFileName;
    outcome.badQsoFile.content = files.read(state.contest.badQsoFileName).value_or("");
    const std::size_t lines = CountLines(outcome.badQsoFile.content);
    outcome.findingLines = lines > 0 ? lines - 1 : 0;
    if (settings.cabrillo) {
        outcome.cabrilloMessage = platform.lastMessage();
        const std::string name = state.cabrilloLog.FileName();
        if (auto content = files.read(name)) outcome.cabrilloFile = OutputFile{name, std::move(*content)};
    }
    return outcome;
}

std::optional<std::pair<OleDateTime, OleDateTime>> PeriodOfQsos(const LogContents& log) {
    if (log.qsos.empty()) return std::nullopt;
    const auto [first, last] = std::minmax_element(log.qsos.begin(), log.qsos.end(), [](const LogQso& a, const LogQso& b) {
        return a.time.m_dt < b.time.m_dt;
    });
    constexpr double kHoursPerDay = 24.0;
    // A small margin keeps a time that is a whole hour in floating point from rounding below it.
    const double startHours = std::floor(first->time.m_dt * kHoursPerDay + 1e-6);
    const double endHours = std::floor(last->time.m_dt * kHoursPerDay + 1e-6) + 1;
    OleDateTime start, end;
    start.m_dt = startHours / kHoursPerDay;
    end.m_dt = endHours / kHoursPerDay;
    return std::pair(start, end);
}
