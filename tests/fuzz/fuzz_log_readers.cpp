// The log readers on any bytes, the format recognised from them, on a small stack: each QSO they
// hand on fit for the files made from it, and the same reading with a byte-order mark before the
// text as without.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/log_reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadOptions options;
    if (!text.empty() && text.front() % 2 == 0) options.digitalMode = "BPSK31";
    fuzz::OnSmallStack([&] {
        const LogContents log = ReadContestLog(text, options);
        fuzz::CheckLog(log);
        if (text.starts_with("\xEF\xBB\xBF")) return;
        const LogContents marked = ReadContestLog("\xEF\xBB\xBF" + std::string(text), options);
        FUZZ_CHECK(marked.format == log.format || log.format == LogFormat::unknown || marked.format == LogFormat::unknown);
        if (marked.format == log.format) FUZZ_CHECK(marked.qsos.size() == log.qsos.size());
    });
    return 0;
}
