#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/cinfo.h"

// The QSO log in the order the QSOs were added, with indexes that keep the lookups of every
// call (duplicate count, call check, removal match, earlier QSOs of a call) independent of the
// log's length.
class QsoLog {
public:
    std::size_t count() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const CInfo& at(std::size_t index) const { return m_records.at(index); }  // throws out_of_range
    auto begin() const { return m_records.begin(); }
    auto end() const { return m_records.end(); }

    void append(CInfo record);
    void removeAt(std::size_t index);
    void clear();

    // Records whose call, band and mode are byte-for-byte equal to the given ones.
    std::size_t countMatching(std::string_view call, std::string_view band, std::string_view mode) const;

    // The first record in log order with this call, band and mode and an equal date-time.
    std::optional<std::size_t> findRemovalMatch(std::string_view call, std::string_view band,
                                                std::string_view mode, const OleDateTime& time) const;

    // Indexes of the records with exactly this call, in log order.
    std::vector<std::size_t> indexesOfCall(std::string_view call) const;

private:
    using Sequence = std::uint64_t;

    static std::string KeyOf(std::string_view call, std::string_view band, std::string_view mode);
    std::size_t positionOf(Sequence sequence) const;
    static void Forget(std::unordered_map<std::string, std::vector<Sequence>>& index,
                       const std::string& key, Sequence sequence);

    std::vector<CInfo> m_records;
    std::vector<Sequence> m_sequences;  // parallel to m_records, ascending
    Sequence m_nextSequence = 0;
    std::unordered_map<std::string, std::vector<Sequence>> m_byCallBandMode;
    std::unordered_map<std::string, std::vector<Sequence>> m_byCall;
};
