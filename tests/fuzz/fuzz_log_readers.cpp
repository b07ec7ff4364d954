// The log readers on any bytes: each QSO they hand on has the fields a Cabrillo line or a
// finding line can carry (no control byte anywhere, no blank inside a call), line numbers that
// never go back, and the same reading with a byte-order mark before the text as without.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"

namespace {

bool HasControlByte(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

void CheckQso(const LogQso& qso, LogFormat format) {
    for (const std::string* field : {&qso.myCall, &qso.call, &qso.mode, &qso.rstSent, &qso.rstReceived, &qso.exchSent,
                                     &qso.exchReceived, &qso.band})
        FUZZ_CHECK(!HasControlByte(*field));
    FUZZ_CHECK(!qso.call.empty() && qso.call.find(' ') == std::string::npos);
    FUZZ_CHECK(qso.myCall.find(' ') == std::string::npos);
    FUZZ_CHECK(qso.line >= 1);
    if (format == LogFormat::cabrillo) {
        FUZZ_CHECK(IsCallShaped(qso.call));
        for (const std::string* field : {&qso.rstSent, &qso.rstReceived, &qso.exchSent, &qso.exchReceived})
            FUZZ_CHECK(field->find(' ') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadOptions options;
    if (!text.empty() && text.front() % 2 == 0) options.digitalMode = "BPSK31";
    const LogContents log = ReadContestLog(text, options);
    std::size_t lastLine = 0;
    for (const LogQso& qso : log.qsos) {
        CheckQso(qso, log.format);
        FUZZ_CHECK(qso.line >= lastLine);
        lastLine = qso.line;
    }
    if (log.format == LogFormat::unknown) FUZZ_CHECK(log.qsos.empty() && log.problems.size() == 1);

    if (text.starts_with("\xEF\xBB\xBF")) return 0;
    const LogContents marked = ReadContestLog("\xEF\xBB\xBF" + std::string(text), options);
    FUZZ_CHECK(marked.format == log.format || log.format == LogFormat::unknown || marked.format == LogFormat::unknown);
    if (marked.format == log.format) FUZZ_CHECK(marked.qsos.size() == log.qsos.size());
    return 0;
}
