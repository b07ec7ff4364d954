// The district list loader on any bytes: one four-character code per line that has a "-" after
// its first character, each one found by the lookup, and a reload gives the same list.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/district_list.h"
#include "fuzz/fuzz_input.h"

namespace {

// Lines as the loader must see them, counted independently of its line splitter.
std::size_t LinesWithCode(const std::string& text) {
    std::size_t count = 0, start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const std::size_t dash = line.find('-');
        if (dash != std::string::npos && dash != 0) ++count;
        start = end + 1;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    DistrictList list;
    list.load(&text);
    FUZZ_CHECK(list.loaded());
    FUZZ_CHECK(list.codes().size() == LinesWithCode(text));
    for (const std::string& code : list.codes()) {
        FUZZ_CHECK(code.size() == 4);
        FUZZ_CHECK(code.find('\n') == std::string::npos);
        FUZZ_CHECK(list.isKnownDistrict(code));
    }

    DistrictList again;
    again.load(&text);
    again.load(&text);
    FUZZ_CHECK(again.codes() == list.codes());
    again.load(nullptr);
    FUZZ_CHECK(!again.loaded() && again.codes().empty());
    return 0;
}
