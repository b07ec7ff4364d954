#include "checker/log_check.h"

#include <algorithm>
#include <cmath>

#include "boundary/plugin_calls.h"
#include "boundary/statistics_reset.h"
#include "engine/bad_qso_file.h"
#include "engine/district_list.h"
#include "checker/checker_file_store.h"
#include "logs/qso_fields.h"

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

struct LogCheck::Plugin {
    explicit Plugin(const HeaderValues& header) : platform(header) {}
    CheckerFileStore files;
    CheckerPlatform platform;
    PluginState state;
};

LogCheck::LogCheck(const CheckSettings& settings) : m_settings(settings), m_plugin(std::make_unique<Plugin>(settings.header)) {
    CheckerFileStore& files = m_plugin->files;
    files.replace(kHostIniName, "[Main]\r\nVexl=" + settings.hostVersion + "\r\n");
    if (settings.districtList) files.replace(kDistrictFilePath, *settings.districtList);
    const std::string badQsoName = BadQsoFileName(settings.contestEnd);
    if (!settings.badQsoDiskPath.empty()) files.putOnDisk(badQsoName, settings.badQsoDiskPath);
    files.watchAppends(badQsoName, [this](std::string_view lines) {
        for (BadQsoReason reason : {BadQsoReason::wrongBand, BadQsoReason::wrongMode, BadQsoReason::noExchange,
                                    BadQsoReason::unknownDistrict, BadQsoReason::dupe})
            if (lines.find(ReasonText(reason)) != std::string_view::npos) m_current.reasons.set(static_cast<std::size_t>(reason));
    });

    PluginState& state = m_plugin->state;
    state.contest.districtList.setUpperCase(settings.upperCase);
    state.htmlResults = settings.html ? 1 : 0;
    ResetArguments reset;
    reset.cabrilloRequest = settings.cabrillo ? 1 : 0;
    reset.myCall = settings.ownCall;
    reset.contestStart = settings.contestStart;
    reset.contestEnd = settings.contestEnd;
    reset.ownCountryPrefix = "";
    RunStatisticsReset(state, reset, m_plugin->platform, files);
    state.contest.dupeLinesPerQso = settings.dupeLinesPerQso;
    state.contest.qsoLog.reserve(settings.expectedQsos);
}

LogCheck::~LogCheck() = default;

// A Cabrillo QSO line needs a frequency and both RSTs to be read back.
void LogCheck::FillForCabrillo(QsoInput& qso) {
    if (qso.frequencyHz == 0)
        if (auto edge = BandLowerEdgeKHz(qso.band)) {
            qso.frequencyHz = *edge * 1000;
            ++m_valuesFilled;
        }
    const std::string_view customary = qso.mode == "SSB" ? "59" : "599";
    for (std::string_view* rst : {&qso.rstSent, &qso.rstReceived})
        if (TrimmedBlanks(*rst).empty()) {
            *rst = customary;
            ++m_valuesFilled;
        }
}

QsoFindings LogCheck::add(const LogQso& qso) {
    QsoInput input = qso.input();
    if (input.myCall.empty()) input.myCall = m_settings.ownCall;
    input.country = CountryFor(qso, m_settings);
    if (m_settings.cabrillo) FillForCabrillo(input);
    return addInput(input);
}

QsoFindings LogCheck::addInput(const QsoInput& input) {
    m_current = {};
    m_current.logged = AddQso(m_plugin->state, input, m_plugin->files) != 0;
    ++(m_current.logged ? m_logged : m_rejected);
    return m_current;
}

CheckOutcome LogCheck::finish() {
    PluginState& state = m_plugin->state;
    CheckerFileStore& files = m_plugin->files;
    CheckOutcome outcome;
    outcome.qsosLogged = m_logged;
    outcome.qsosRejected = m_rejected;
    int out = 0;
    outcome.summary = ProduceResults(state, &out, m_plugin->platform, files);
    outcome.claimedScore = state.claimedScore;
    outcome.valuesFilled = m_valuesFilled;
    outcome.score = ScoreContest(
        state.contest, CountBadQsoLines(files, state.contest.badQsoFileName, state.contest.badQsoBacklog));
    outcome.badQsoFile.name = state.contest.badQsoFileName;
    if (m_settings.badQsoDiskPath.empty()) outcome.badQsoFile.content = files.read(state.contest.badQsoFileName).value_or("");
    const std::size_t lines = files.lineCount(state.contest.badQsoFileName);
    outcome.findingLines = lines > 0 ? lines - 1 : 0;
    outcome.dupeLinesNotWritten = state.contest.dupeLinesNotWritten;
    if (m_settings.cabrillo) {
        outcome.cabrilloMessage = m_plugin->platform.lastMessage();
        const std::string name = state.cabrilloLog.FileName();
        if (auto content = files.read(name)) outcome.cabrilloFile = OutputFile{name, std::move(*content)};
    }
    return outcome;
}

CheckOutcome CheckLog(const LogContents& log, const CheckSettings& settings) {
    CheckSettings withCount = settings;
    withCount.expectedQsos = log.qsos.size();
    LogCheck check(withCount);
    for (const LogQso& qso : log.qsos) check.add(qso);
    return check.finish();
}

CheckOutcome CheckQsos(const std::function<void(const QsoSink&)>& forEachQso, const CheckSettings& settings) {
    LogCheck check(settings);
    forEachQso([&](const QsoInput& input) { check.addInput(input); });
    return check.finish();
}

std::pair<OleDateTime, OleDateTime> PeriodAround(OleDateTime first, OleDateTime last) {
    constexpr double kHoursPerDay = 24.0;
    // A small margin keeps a time that is a whole hour in floating point from rounding below it.
    const double startHours = std::floor(first.m_dt * kHoursPerDay + 1e-6);
    const double endHours = std::floor(last.m_dt * kHoursPerDay + 1e-6) + 1;
    OleDateTime start, end;
    start.m_dt = startHours / kHoursPerDay;
    end.m_dt = endHours / kHoursPerDay;
    return {start, end};
}

std::optional<std::pair<OleDateTime, OleDateTime>> PeriodOfQsos(const LogContents& log) {
    if (log.qsos.empty()) return std::nullopt;
    const auto [first, last] = std::minmax_element(log.qsos.begin(), log.qsos.end(), [](const LogQso& a, const LogQso& b) {
        return a.time.m_dt < b.time.m_dt;
    });
    return PeriodAround(first->time, last->time);
}
