#include "crosscheck/checks_csv.h"

#include "engine/ole_date.h"
#include "crosscheck/escaping.h"
#include "crosscheck/ubn_report.h"

std::string ChecksCsvHeading() {
    return "Log file,Line,Own call,Time,Band,Mode,Call,Exchange received,Verdict,Call on the air,Exchange "
           "sent\r\n";
}

std::string ChecksCsvRows(const CrossCheckRun& run, const LogResult& result) {
    const CrossLog& log = run.logs[result.logIndex];
    const auto& checks = run.checks[result.logIndex];
    std::string csv;
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        const CrossQso& qso = log.qsos[i];
        const QsoCheck& check = checks[i];
        std::string onTheAir, sent;
        if (check.partnerLog != kNoPartner) {
            const CrossLog& other = run.logs[check.partnerLog];
            if (check.verdict == Verdict::bustedCall) onTheAir = other.ownCall;
            sent = other.text(other.qsos[check.partnerQso].exchSent);
        }
        csv += CsvText(log.fileName) + "," + std::to_string(qso.line) + "," + CsvText(log.ownCall) + "," +
               FormatOleDate(qso.time, "%Y-%m-%d %H%M") + "," + CsvText(log.text(qso.band)) + "," +
               CsvText(log.text(qso.mode)) + "," + CsvText(log.text(qso.call)) + "," +
               CsvText(log.text(qso.exchReceived)) + "," + std::string(VerdictName(check.verdict)) + "," +
               CsvText(onTheAir) + "," + CsvText(sent) + "\r\n";
    }
    return csv;
}
