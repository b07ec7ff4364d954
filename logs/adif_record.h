#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "logs/log_reader.h"

// The fields of one ADIF record by upper-case name, as either form of ADIF gives them (tagged
// text, or the XML of ADX); the values point into text the caller keeps.
using AdifFields = std::vector<std::pair<std::string, std::string_view>>;

// The first value of the field `name`, or empty.
std::string_view Field(const AdifFields& fields, std::string_view name);

// The QSO of each record's fields by ADIF's field rules, handed on to the visitor, or the record
// named and skipped with the reason; with what it says to the operator once per log.
class AdifRecordReader {
public:
    AdifRecordReader(LogVisitor& visitor, LogHeader& header, const ReadOptions& options)
        : m_visitor(visitor), m_header(header), m_options(options) {}

    void read(const AdifFields& fields, std::size_t line);

private:
    std::optional<std::string> makeQso(const AdifFields& fields, LogQso& qso);
    std::optional<std::string> readFrequency(const AdifFields& fields, LogQso& qso);
    std::optional<std::string> readExchange(const AdifFields& fields, std::string_view stringName, std::string_view numberName,
                                            std::string_view rstName, std::string& rst, std::string& exchange, std::size_t line);

    LogVisitor& m_visitor;
    LogHeader& m_header;
    const ReadOptions& m_options;
    bool m_splitExchangeSaid = false;
    bool m_exchangeAfterRstSaid = false;
    LogQso m_qso;  // one for every record, so its texts keep their memory
};
