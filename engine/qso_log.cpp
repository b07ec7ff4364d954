#include "engine/qso_log.h"

#include <algorithm>
#include <array>

// The key of the call+band+mode index. Host texts are zero-terminated, so a NUL never occurs
// inside them and separates unambiguously. Built on the stack; only texts longer than any real
// call, band and mode together fall back to the heap.
class QsoLog::CombinedKey {
public:
    CombinedKey(std::string_view call, std::string_view band, std::string_view mode) {
        const std::size_t size = call.size() + band.size() + mode.size() + 2;
        char* out = m_buffer.data();
        if (size > m_buffer.size()) {
            m_spill.resize(size);
            out = m_spill.data();
        }
        m_text = std::string_view(out, size);
        out = std::copy(call.begin(), call.end(), out);
        *out++ = '\0';
        out = std::copy(band.begin(), band.end(), out);
        *out++ = '\0';
        std::copy(mode.begin(), mode.end(), out);
    }
    CombinedKey(const CombinedKey&) = delete;
    CombinedKey& operator=(const CombinedKey&) = delete;

    std::string_view text() const { return m_text; }

private:
    std::array<char, 64> m_buffer;
    std::string m_spill;
    std::string_view m_text;
};

void QsoLog::reserve(std::size_t records) {
    m_records.reserve(records);
    m_entries.reserve(records);
}

void QsoLog::append(CInfo record) {
    const Sequence sequence = m_nextSequence++;
    const CombinedKey key(record.m_call, record.m_band, record.m_mode);
    auto combined = m_byCallBandMode.find(key.text());
    if (combined == m_byCallBandMode.end())
        combined = m_byCallBandMode.try_emplace(std::string(key.text())).first;
    combined->second.push_back(sequence);
    auto byCall = m_byCall.find(std::string_view(record.m_call));
    if (byCall == m_byCall.end()) byCall = m_byCall.try_emplace(record.m_call).first;
    byCall->second.push_back(sequence);
    m_entries.push_back({sequence, record.m_time, textIdOf(record.m_band), textIdOf(record.m_mode)});
    m_records.push_back(std::move(record));
}

QsoLog::TextId QsoLog::textIdOf(const std::string& text) {
    auto found = m_textIds.find(std::string_view(text));
    if (found != m_textIds.end()) return found->second;
    const auto id = static_cast<TextId>(m_texts.size());
    m_texts.push_back(text);
    m_textIds.try_emplace(text, id);
    return id;
}

void QsoLog::Forget(Index& index, std::string_view key, Sequence sequence) {
    auto found = index.find(key);
    if (found == index.end()) return;
    auto& sequences = found->second;
    auto at = std::lower_bound(sequences.begin(), sequences.end(), sequence);
    if (at != sequences.end() && *at == sequence) sequences.erase(at);
    if (sequences.empty()) index.erase(found);
}

void QsoLog::removeAt(std::size_t index) {
    const CInfo& record = m_records.at(index);
    const Sequence sequence = m_entries[index].sequence;
    Forget(m_byCallBandMode, CombinedKey(record.m_call, record.m_band, record.m_mode).text(), sequence);
    Forget(m_byCall, record.m_call, sequence);
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void QsoLog::clear() {
    m_records.clear();
    m_entries.clear();
    m_byCallBandMode.clear();
    m_byCall.clear();
    m_texts.clear();
    m_textIds.clear();
}

std::size_t QsoLog::positionOf(Sequence sequence) const {
    // Sequences ascend and removals only move records towards the front, so a record's distance
    // from the first sequence bounds its position from above, and equals it until something
    // before it is removed. A contest has few removals: gallop down from the bound, then search
    // the last step.
    auto sequenceAt = [this](std::size_t position) { return m_entries[position].sequence; };
    std::size_t high = static_cast<std::size_t>(
        std::min<Sequence>(sequence - m_entries.front().sequence, m_entries.size() - 1));
    if (sequenceAt(high) == sequence) return high;
    std::size_t low = 0;
    for (std::size_t step = 1; high >= step; step *= 2) {
        const std::size_t probe = high - step;
        if (sequenceAt(probe) <= sequence) {
            low = probe;
            break;
        }
        high = probe;
    }
    auto at = std::partition_point(m_entries.begin() + static_cast<std::ptrdiff_t>(low),
                                   m_entries.begin() + static_cast<std::ptrdiff_t>(high),
                                   [sequence](const Entry& entry) { return entry.sequence < sequence; });
    return static_cast<std::size_t>(at - m_entries.begin());
}

std::size_t QsoLog::countMatching(std::string_view call, std::string_view band, std::string_view mode) const {
    auto found = m_byCallBandMode.find(CombinedKey(call, band, mode).text());
    return found == m_byCallBandMode.end() ? 0 : found->second.size();
}

std::optional<std::size_t> QsoLog::findRemovalMatch(std::string_view call, std::string_view band,
                                                    std::string_view mode, const OleDateTime& time) const {
    auto found = m_byCallBandMode.find(CombinedKey(call, band, mode).text());
    if (found == m_byCallBandMode.end()) return std::nullopt;
    for (Sequence sequence : found->second) {
        const std::size_t position = positionOf(sequence);
        if (SameDateTime(m_entries[position].time, time)) return position;
    }
    return std::nullopt;
}

std::vector<std::size_t> QsoLog::indexesOfCall(std::string_view call) const {
    std::vector<std::size_t> positions;
    forEachOfCall(call, [&](std::size_t position, const CInfo&) { positions.push_back(position); });
    return positions;
}
