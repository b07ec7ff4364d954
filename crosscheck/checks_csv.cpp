#include "crosscheck/checks_csv.h"

#include "crosscheck/row_text.h"
#include "crosscheck/ubn_report.h"

std::string ChecksCsvHeading() {
    return "Log file,Line,Own call,Time,Band,Mode,Call,Exchange received,Verdict,Call on the air,Exchange "
           "sent\r\n";
}

std::string ChecksCsvRows(const CrossCheckRun& run, const LogResult& result) {
    const CrossLog& log = run.logs[result.logIndex];
    const auto& checks = run.checks[result.logIndex];
    // What every row of the log holds: its file and its own call.
    std::string fileField, ownCallField;
    AppendCsvText(fileField, log.fileName);
    fileField += ',';
    ownCallField += ',';
    AppendCsvText(ownCallField, log.ownCall);
    ownCallField += ',';
    std::string csv;
    csv.reserve(log.qsos.size() * (fileField.size() + 96));
    for (std::size_t i = 0; i < log.qsos.size(); ++i) {
        const CrossQso& qso = log.qsos[i];
        const QsoCheck& check = checks[i];
        csv += fileField;
        AppendNumber(csv, qso.line);
        csv += ownCallField;
        AppendLogTime(csv, qso.seconds);
        csv += ',';
        AppendCsvText(csv, log.text(qso.band));
        csv += ',';
        AppendCsvText(csv, log.text(qso.mode));
        csv += ',';
        AppendCsvText(csv, log.text(qso.call));
        csv += ',';
        AppendCsvText(csv, log.text(qso.exchReceived));
        csv += ',';
        csv += VerdictName(check.verdict);
        csv += ',';
        if (check.partnerLog != kNoPartner) {
            const CrossLog& other = run.logs[check.partnerLog];
            // For a busted call the call that was on the air.
            if (check.verdict == Verdict::bustedCall) AppendCsvText(csv, other.ownCall);
            csv += ',';
            AppendCsvText(csv, other.text(other.qsos[check.partnerQso].exchSent));
        } else {
            csv += ',';
        }
        csv += "\r\n";
    }
    return csv;
}
