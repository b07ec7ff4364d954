// The Cabrillo reader on any bytes, on a small stack: no crash, no recursion that overflows it,
// and every QSO fit for the files made from it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/log_reader_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadOptions options;
    if (!text.empty() && text.front() % 2 == 0) options.digitalMode = "BPSK31";
    fuzz::OnSmallStack([&] { fuzz::CheckLog(ReadCabrillo(text, options)); });
    return 0;
}
