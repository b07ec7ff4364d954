#include "engine/qso_log.h"

#include <algorithm>

std::string QsoLog::KeyOf(std::string_view call, std::string_view band, std::string_view mode) {
    // Host texts are zero-terminated, so a NUL never occurs inside them and separates unambiguously.
    std::string key;
    key.reserve(call.size() + band.size() + mode.size() + 2);
    key.append(call).append(1, '\0').append(band).append(1, '\0').append(mode);
    return key;
}

void QsoLog::append(CInfo record) {
    Sequence sequence = m_nextSequence++;
    m_byCallBandMode[KeyOf(record.m_call, record.m_band, record.m_mode)].push_back(sequence);
    m_byCall[record.m_call].push_back(sequence);
    m_records.push_back(std::move(record));
    m_sequences.push_back(sequence);
}

void QsoLog::Forget(std::unordered_map<std::string, std::vector<Sequence>>& index,
                    const std::string& key, Sequence sequence) {
    auto found = index.find(key);
    if (found == index.end()) return;
    auto& sequences = found->second;
    auto at = std::lower_bound(sequences.begin(), sequences.end(), sequence);
    if (at != sequences.end() && *at == sequence) sequences.erase(at);
    if (sequences.empty()) index.erase(found);
}

void QsoLog::removeAt(std::size_t index) {
    const CInfo& record = m_records.at(index);
    Sequence sequence = m_sequences[index];
    Forget(m_byCallBandMode, KeyOf(record.m_call, record.m_band, record.m_mode), sequence);
    Forget(m_byCall, record.m_call, sequence);
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
    m_sequences.erase(m_sequences.begin() + static_cast<std::ptrdiff_t>(index));
}

void QsoLog::clear() {
    m_records.clear();
    m_sequences.clear();
    m_byCallBandMode.clear();
    m_byCall.clear();
}

std::size_t QsoLog::positionOf(Sequence sequence) const {
    auto at = std::lower_bound(m_sequences.begin(), m_sequences.end(), sequence);
    return static_cast<std::size_t>(at - m_sequences.begin());
}

std::size_t QsoLog::countMatching(std::string_view call, std::string_view band,
                                  std::string_view mode) const {
    auto found = m_byCallBandMode.find(KeyOf(call, band, mode));
    return found == m_byCallBandMode.end() ? 0 : found->second.size();
}

std::optional<std::size_t> QsoLog::findRemovalMatch(std::string_view call, std::string_view band,
                                                    std::string_view mode,
                                                    const OleDateTime& time) const {
    auto found = m_byCallBandMode.find(KeyOf(call, band, mode));
    if (found == m_byCallBandMode.end()) return std::nullopt;
    for (Sequence sequence : found->second) {
        std::size_t position = positionOf(sequence);
        if (SameDateTime(m_records[position].m_time, time)) return position;
    }
    return std::nullopt;
}

std::vector<std::size_t> QsoLog::indexesOfCall(std::string_view call) const {
    std::vector<std::size_t> positions;
    auto found = m_byCall.find(std::string(call));
    if (found == m_byCall.end()) return positions;
    positions.reserve(found->second.size());
    for (Sequence sequence : found->second) positions.push_back(positionOf(sequence));
    return positions;
}
