#include "checker/message_cap.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kOtherKind = "\x1f other";

}  // namespace

bool MessageCap::admit(std::string_view kind, std::string_view example) {
    auto found = m_kinds.find(kind);
    if (found == m_kinds.end()) {
        if (m_kinds.size() >= kKindsKept) {
            kind = kOtherKind;
            example = "a message of another kind";
            found = m_kinds.find(kind);
        }
        if (found == m_kinds.end()) found = m_kinds.emplace(std::string(kind), Kind{0, m_kinds.size(), std::string(example)}).first;
    }
    if (++found->second.seen <= m_namedPerKind) return true;
    ++m_withheld;
    return false;
}

std::vector<MessageCap::Withheld> MessageCap::withheld() const {
    std::vector<std::pair<std::size_t, Withheld>> ordered;
    for (const auto& [kind, counts] : m_kinds)
        if (counts.seen > m_namedPerKind) ordered.push_back({counts.order, {counts.example, counts.seen - m_namedPerKind}});
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Withheld> list;
    for (auto& [order, entry] : ordered) list.push_back(std::move(entry));
    return list;
}

std::string KindOfMessage(std::string_view message) {
    std::string kind;
    kind.reserve(std::min<std::size_t>(message.size(), 200));
    bool quoted = false;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (c == '"') {
            if (!quoted) kind += "\"\"";
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            if (kind.empty() || kind.back() != '#') kind += '#';
        } else {
            kind += c;
        }
    }
    return kind;
}

std::string WithheldLine(const MessageCap::Withheld& withheld) {
    return "... and " + std::to_string(withheld.count) + " more like this: " + withheld.example;
}
