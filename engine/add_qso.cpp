#include "engine/add_qso.h"

#include <algorithm>
#include <optional>

#include "engine/bad_qso_file.h"
#include "engine/bad_qso_line.h"

namespace {

constexpr std::string_view kDistrictCountry = "UR";

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void NoteWorkedBand(std::vector<std::string>& bandsWorked, std::string_view band) {
    if (std::find(bandsWorked.begin(), bandsWorked.end(), band) == bandsWorked.end())
        bandsWorked.emplace_back(band);
}

CInfo RecordOf(const QsoInput& qso) {
    CInfo record;
    record.m_call = qso.call;
    record.m_band = qso.band;
    record.m_mode = qso.mode;
    record.m_extra = qso.extra;
    record.m_rstReceived = qso.rstReceived;
    record.m_rstSent = qso.rstSent;
    record.m_exchReceived = qso.exchReceived;
    record.m_exchSent = qso.exchSent;
    record.m_country = StoredCountry(qso.country);
    record.m_freqKHz = static_cast<std::int32_t>(qso.frequencyHz / 1000);
    record.m_time = qso.time;
    return record;
}

// The district test of a "UR" station; an unknown code leaves the QSO unscored and adds a line.
void CheckDistrict(const DistrictList& districts, const QsoInput& qso, CInfo& record, std::string& findings) {
    std::string code = CleanDistrictCode(qso.exchReceived, districts.upperCase());
    if (!districts.loaded() || districts.isKnownDistrict(code)) {
        record.m_district = std::move(code);
        return;
    }
    record.m_notScored = 1;
    record.m_badDistrict = 1;
    findings += FormatBadQsoLine(qso, BadQsoReason::unknownDistrict, code);
}

// Every earlier QSO with the same call, band and mode adds one line, up to the state's bound.
void CheckDuplicates(ContestState& state, const QsoInput& qso, CInfo& record, std::string& findings) {
    const std::size_t earlier = state.qsoLog.countMatching(qso.call, qso.band, qso.mode);
    if (earlier == 0) return;
    record.m_notScored = 1;
    record.m_dupe = 1;
    const std::size_t written = std::min(earlier, state.dupeLinesPerQso);
    state.dupeLinesNotWritten += static_cast<std::int64_t>(earlier - written);
    const std::string line = FormatBadQsoLine(qso, BadQsoReason::dupe);
    findings.reserve(findings.size() + written * line.size());
    for (std::size_t i = 0; i < written; ++i) findings += line;
}

std::optional<BadQsoReason> RejectionOf(const QsoInput& qso) {
    if (!g_bandList.contains(qso.band)) return BadQsoReason::wrongBand;
    if (!g_modeList.contains(qso.mode)) return BadQsoReason::wrongMode;
    if (qso.exchReceived.empty() || qso.exchSent.empty()) return BadQsoReason::noExchange;
    return std::nullopt;
}

}  // namespace

// No byte of a multibyte character is white space, so trimming first changes nothing.
std::string CleanDistrictCode(std::string_view exchange, UpperCaseText upperCase) {
    while (!exchange.empty() && IsWhiteSpace(exchange.front())) exchange.remove_prefix(1);
    while (!exchange.empty() && IsWhiteSpace(exchange.back())) exchange.remove_suffix(1);
    return upperCase(exchange);
}

std::string_view StoredCountry(std::string_view country) {
    return (country == "IT9" || country == "IG9") ? std::string_view("I") : country;
}

// The findings of one call are collected and written in one piece, after the log is updated,
// so a file that cannot be written never changes what the log holds.
int AddQsoToLog(ContestState& state, const QsoInput& qso, FileStore& files) {
    if (auto reason = RejectionOf(qso)) {
        AppendBadQsoLines(files, state.badQsoFileName, state.badQsoBacklog, FormatBadQsoLine(qso, *reason));
        return 0;
    }

    NoteWorkedBand(state.bandsWorked, qso.band);
    CInfo record = RecordOf(qso);
    std::string findings;
    if (qso.country == kDistrictCountry) CheckDistrict(state.districtList, qso, record, findings);
    CheckDuplicates(state, qso, record, findings);
    state.qsoLog.append(std::move(record));

    AppendBadQsoLines(files, state.badQsoFileName, state.badQsoBacklog, findings);
    return 1;
}
