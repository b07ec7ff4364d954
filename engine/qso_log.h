#pragma once

#include <boost/container/small_vector.hpp>
#include <boost/unordered/unordered_flat_map.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
    // Room for this many records in all, for a caller that knows how many are coming: the log
    // then never holds its old and new arrays at once while it grows.
    void reserve(std::size_t records);
    void removeAt(std::size_t index);
    void clear();

    // Records whose call, band and mode are byte-for-byte equal to the given ones.
    std::size_t countMatching(std::string_view call, std::string_view band, std::string_view mode) const;

    // The first record in log order with this call, band and mode and an equal date-time.
    std::optional<std::size_t> findRemovalMatch(std::string_view call, std::string_view band,
                                                std::string_view mode, const OleDateTime& time) const;

    // Indexes of the records with exactly this call, in log order.
    std::vector<std::size_t> indexesOfCall(std::string_view call) const;

    // Calls visit(index, record) for each record with exactly this call, in log order, without
    // allocating.
    template <typename Visit>
    void forEachOfCall(std::string_view call, Visit&& visit) const {
        auto found = m_byCall.find(call);
        if (found == m_byCall.end()) return;
        for (Sequence sequence : found->second) {
            const std::size_t position = positionOf(sequence);
            visit(position, m_records[position]);
        }
    }

    // Band, mode and date-time of a record, as the live display reads them.
    struct Summary {
        std::string_view band;
        std::string_view mode;
        const OleDateTime& time;
    };

    // Calls visit(summary) for each record with exactly this call, in log order. Reads the log's
    // compact per-record array instead of the records, so a long log costs no more cache misses.
    template <typename Visit>
    void forEachSummaryOfCall(std::string_view call, Visit&& visit) const {
        auto found = m_byCall.find(call);
        if (found == m_byCall.end()) return;
        for (Sequence sequence : found->second) {
            const Entry& entry = m_entries[positionOf(sequence)];
            visit(Summary{m_texts[entry.band], m_texts[entry.mode], entry.time});
        }
    }

private:
    using Sequence = std::uint64_t;
    // Most keys have a single record: it lives in the table's slot, with no allocation of its own.
    using Sequences = boost::container::small_vector<Sequence, 1>;

    // One hash function for std::string keys and string_view probes, so a lookup hashes its
    // text once and builds no string.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return std::hash<std::string_view>{}(text);
        }
    };
    struct TextEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept { return a == b; }
    };
    using Index = boost::unordered_flat_map<std::string, Sequences, TextHash, TextEqual>;

    using TextId = std::uint32_t;

    // Per record, what the hot lookups read, packed so that one cache line holds two records'
    // worth: the sequence number that the indexes refer to (ascending in log order), the
    // date-time, and the band and mode as ids of m_texts.
    struct Entry {
        Sequence sequence;
        OleDateTime time;
        TextId band;
        TextId mode;
    };

    class CombinedKey;
    std::size_t positionOf(Sequence sequence) const;
    TextId textIdOf(const std::string& text);
    static void Forget(Index& index, std::string_view key, Sequence sequence);

    std::vector<CInfo> m_records;
    std::vector<Entry> m_entries;  // parallel to m_records
    Sequence m_nextSequence = 0;
    Index m_byCallBandMode;
    Index m_byCall;
    // The distinct band and mode texts of the log; a handful, so they stay in the cache.
    std::vector<std::string> m_texts;
    boost::unordered_flat_map<std::string, TextId, TextHash, TextEqual> m_textIds;
};
