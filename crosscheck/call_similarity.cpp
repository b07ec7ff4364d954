#include "crosscheck/call_similarity.h"

namespace {

std::string_view BaseOf(std::string_view call) { return call.substr(0, call.find('/')); }

// True when `longer` is `shorter` with one character more.
bool OneInserted(std::string_view longer, std::string_view shorter) {
    std::size_t i = 0;
    while (i < shorter.size() && longer[i] == shorter[i]) ++i;
    return longer.substr(i + 1) == shorter.substr(i);
}

}  // namespace

CallSlip SlipBetween(std::string_view logged, std::string_view correct) {
    if (logged == correct) return CallSlip::none;
    if (logged.size() == correct.size()) {
        std::size_t first = 0;
        while (logged[first] == correct[first]) ++first;
        if (logged.substr(first + 1) == correct.substr(first + 1)) return CallSlip::changed;
        if (first + 1 < logged.size() && logged[first] == correct[first + 1] &&
            logged[first + 1] == correct[first] && logged.substr(first + 2) == correct.substr(first + 2))
            return CallSlip::swapped;
    } else if (logged.size() == correct.size() + 1 && OneInserted(logged, correct)) {
        return CallSlip::extra;
    } else if (correct.size() == logged.size() + 1 && OneInserted(correct, logged)) {
        return CallSlip::missing;
    }
    if ((logged.find('/') != std::string_view::npos || correct.find('/') != std::string_view::npos) &&
        BaseOf(logged) == BaseOf(correct))
        return CallSlip::suffix;
    return CallSlip::none;
}

std::string_view SlipName(CallSlip slip) {
    switch (slip) {
        case CallSlip::changed:
            return "changed character";
        case CallSlip::missing:
            return "missing character";
        case CallSlip::extra:
            return "extra character";
        case CallSlip::swapped:
            return "swapped characters";
        case CallSlip::suffix:
            return "different /suffix";
        case CallSlip::none:
            break;
    }
    return "";
}
