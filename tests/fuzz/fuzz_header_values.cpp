// The Cabrillo header values through the ini file: what the operator typed in the dialog is what
// the next dialog shows, each stored value is one ini line, a multi-line value becomes whole
// tagged lines, and the file name from the call sign is one Windows accepts.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "reports/header_text.h"
#include "reports/prepare_export.h"
#include "support/fakes.h"

namespace {

// The ini escapes are plain text, so a value that already holds one reads back as a line break.
bool HoldsEscape(std::string_view text) {
    return text.find("<CR>") != std::string_view::npos || text.find("<LF>") != std::string_view::npos;
}

void CheckContinuation(std::string_view text, std::string_view tag) {
    const std::string form = ContinuationForm(text, tag);
    for (std::size_t at = form.find("\r\n"); at != std::string::npos; at = form.find("\r\n", at + 2))
        FUZZ_CHECK(form.substr(at + 2).starts_with(tag));
    std::size_t breaks = 0;
    for (char c : form) breaks += c == '\r';
    std::size_t expected = 0;
    for (char c : text) expected += c == '\r';
    FUZZ_CHECK(breaks == expected);  // one line per carriage return, none from a line feed
    for (std::size_t at = form.find('\n'); at != std::string::npos; at = form.find('\n', at + 1))
        FUZZ_CHECK(at > 0 && form[at - 1] == '\r');
}

void CheckFileBaseName(std::string_view callsign) {
    const std::string name = CabrilloFileBaseName(callsign);
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(name.front())) &&
               !std::isspace(static_cast<unsigned char>(name.back())));
    for (char c : name) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos);
    std::string stem = name.substr(0, name.find('.'));
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL"}) FUZZ_CHECK(stem != device);
    FUZZ_CHECK(!(stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    HeaderDialogValues typed;
    typed.callsign = in.bytes(12);
    typed.club = in.text();
    typed.category = in.text();
    typed.contest = in.text();
    typed.email = in.text();
    typed.name = in.text();
    typed.operators = in.text();
    typed.soapbox = in.bytes(40);  // the two multi-line boxes take any text
    typed.address = in.bytes(40);

    FakePlatform platform;
    platform.dialogEdit = [&](HeaderDialogValues& values) { values = typed; };
    CabrilloLog first;
    FUZZ_CHECK(PrepareExport(first, typed.callsign, platform) == 1);
    for (const auto& [key, value] : platform.settings) FUZZ_CHECK(value.find_first_of("\r\n") == std::string::npos);

    platform.dialogEdit = nullptr;
    platform.dialogAnswer = false;
    CabrilloLog second;
    FUZZ_CHECK(PrepareExport(second, typed.callsign, platform) == 0);
    const HeaderDialogValues& shown = platform.dialogShown;
    FUZZ_CHECK(shown.club == typed.club && shown.email == typed.email && shown.name == typed.name &&
               shown.operators == typed.operators);
    if (!HoldsEscape(typed.soapbox)) FUZZ_CHECK(shown.soapbox == typed.soapbox && second.m_soapbox == first.m_soapbox);
    if (!HoldsEscape(typed.address)) FUZZ_CHECK(shown.address == typed.address && second.m_address == first.m_address);

    if (!HoldsEscape(typed.address)) CheckContinuation(typed.address, "ADDRESS: ");
    CheckFileBaseName(typed.callsign);
    const std::string from = in.bytes(3), to = in.bytes(3);
    (void)ReplaceAll(typed.soapbox, from, to);
    return 0;
}
