#include "reports/prepare_export.h"

#include "engine/single_line.h"
#include "reports/header_text.h"

namespace {

constexpr std::string_view kAddressTag = "ADDRESS: ";
constexpr std::string_view kSoapboxTag = "SOAPBOX: ";

void LoadHeaderValues(CabrilloLog& log, Platform& platform) {
    log.m_operators = platform.readSetting("Operators", log.m_callsign);
    log.m_name = platform.readSetting("Name", "");
    log.m_address = UnescapeLineBreaks(platform.readSetting("Address", ""));
    log.m_claimed = platform.readSetting("Claimed", "");
    log.m_email = platform.readSetting("Email", "");
    log.m_club = platform.readSetting("Club", "");
    log.m_soapbox = UnescapeLineBreaks(platform.readSetting("SoapBox", ""));
    log.m_contest = "ZELK";
    log.m_category = "A-CW";
}

HeaderDialogValues DialogValuesOf(const CabrilloLog& log) {
    HeaderDialogValues values;
    values.callsign = log.m_callsign;
    values.claimed = log.m_claimed;
    values.club = log.m_club;
    values.category = log.m_category;
    values.contest = log.m_contest;
    values.email = log.m_email;
    values.name = log.m_name;
    values.operators = log.m_operators;
    values.soapbox = log.m_soapbox;
    values.address = log.m_address;
    return values;
}

// The claimed score is not taken back: the file always claims the computed score. A line break
// typed or pasted into a one-line box would start a line of its own in the ini file and in the
// Cabrillo file; only the address and the soapbox keep theirs.
void TakeDialogValues(CabrilloLog& log, const HeaderDialogValues& values) {
    log.m_callsign = SingleLine(values.callsign);
    log.m_operators = SingleLine(values.operators);
    log.m_category = SingleLine(values.category);
    log.m_name = SingleLine(values.name);
    log.m_address = values.address;
    log.m_contest = SingleLine(values.contest);
    log.m_email = SingleLine(values.email);
    log.m_club = SingleLine(values.club);
    log.m_soapbox = values.soapbox;
}

// The call sign is not stored; the category and contest are stored but never read back.
void StoreHeaderValues(const CabrilloLog& log, Platform& platform) {
    platform.writeSetting("Operators", log.m_operators);
    platform.writeSetting("Name", log.m_name);
    platform.writeSetting("Address", EscapeLineBreaks(log.m_address));
    platform.writeSetting("Category", log.m_category);
    platform.writeSetting("Contest", log.m_contest);
    platform.writeSetting("Email", log.m_email);
    platform.writeSetting("Club", log.m_club);
    platform.writeSetting("SoapBox", EscapeLineBreaks(log.m_soapbox));
}

}  // namespace

int PrepareExport(CabrilloLog& log, std::string_view callsign, Platform& platform) {
    log.m_callsign = callsign;
    // Fixed here: a call sign changed in the dialog does not rename the file.
    log.m_fileBaseName = CabrilloFileBaseName(callsign);
    LoadHeaderValues(log, platform);

    HeaderDialogValues values = DialogValuesOf(log);
    const bool confirmed = platform.runHeaderDialog(values);
    if (confirmed) {
        TakeDialogValues(log, values);
        StoreHeaderValues(log, platform);
        log.ClearQsoLines();
    }

    log.m_address = ContinuationForm(log.m_address, kAddressTag);
    log.m_soapbox = ContinuationForm(log.m_soapbox, kSoapboxTag);
    return confirmed ? 1 : 0;
}
