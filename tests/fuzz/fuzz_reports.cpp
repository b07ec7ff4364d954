// The text and HTML summaries and the Cabrillo writer over any log: the summary's totals are the
// sums of its band rows and agree with the HTML table; the Cabrillo file is whole CR LF lines,
// each with a known tag, and holds each QSO of the log once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/add_qso.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/summary_check.h"
#include "reports/cabrillo_export.h"
#include "reports/contest_score.h"
#include "reports/header_text.h"
#include "reports/results_summary.h"
#include "support/fakes.h"

namespace {

// Some text of the input with line breaks of every kind among it, as a multi-line box gives.
std::string MultiLine(FuzzInput& in) {
    std::string text;
    for (int part = in.byte() % 4; part > 0; --part) text += in.text(6) + std::string(in.pick({"\r\n", "\r", "\n"}));
    return text + in.text(6);
}

void CheckCabrilloFile(std::string_view text, std::size_t qsos) {
    constexpr std::string_view kTags[] = {"START-OF-LOG: ", "ARRL-SECTION: ", "CALLSIGN: ", "CONTEST: ",
                                          "CATEGORY: ", "CLAIMED-SCORE: ", "CLUB: ", "CREATED-BY: ",
                                          "NAME: ", "ADDRESS: ", "OPERATORS: ", "EMAIL: ",
                                          "SOAPBOX: ", "QSO: ", "END-OF-LOG:"};
    FUZZ_CHECK(text.starts_with("START-OF-LOG: 2.0\r\n") && text.ends_with("\r\nEND-OF-LOG:\r\n"));
    std::size_t qsoLines = 0;
    for (std::size_t end; (end = text.find("\r\n")) != std::string_view::npos; text.remove_prefix(end + 2)) {
        const std::string_view line = text.substr(0, end);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        bool tagged = false;
        for (std::string_view tag : kTags) tagged = tagged || line.starts_with(tag);
        FUZZ_CHECK(tagged);
        qsoLines += line.starts_with("QSO: ");
    }
    FUZZ_CHECK(text.empty());
    FUZZ_CHECK(qsoLines == qsos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    FakeFileStore files;
    ContestState contest;
    contest.badQsoFileName = "bad.txt";
    if (in.flag()) {
        const std::string districts = "KV05-\r\nLV12-\r\n" + in.bytes(24);
        contest.districtList.load(&districts);
    }
    const std::string myCall = in.text(8);
    for (int n = in.byte(); n > 0 && !in.empty(); --n) {
        const std::string call = in.flag() ? std::string(in.pick({"UR5AB", "UT7QF", "DL1ABC"})) : in.text(8);
        const std::string exchange = in.flag() ? std::string(in.pick({"KV05", "LV12", "kv05", "001"})) : in.text(5);
        const std::string rst = in.text(3);
        const QsoInput qso{myCall, call, in.date(), in.byte() * 40000u, in.pick({"CW", "SSB", "RTTY", "MFSK", "BPSK62", "cw", "FM"}),
                           rst, in.pick({"579", ""}), in.pick({"001", "KV05"}), exchange,
                           in.pick({"UR", "UA", "DL", "IT9", ""}), "", in.pick({"160m", "80m", "40m", "160M", "6m"})};
        AddQsoToLog(contest, qso, files);
    }

    const BadQsoLineCount badLines{in.byte(), in.byte() % 8};
    const ContestScore score = ScoreContest(contest, badLines);
    const std::string start = in.text(5), end = in.text(10);
    const SummaryHeading heading{myCall, start, end};
    const std::int64_t total = CheckSummaryText(FormatResultsText(score, heading, true), true);
    FUZZ_CHECK(static_cast<std::size_t>(total) <= contest.qsoLog.count());
    CheckSummaryText(FormatResultsText(score, heading, false), false);

    const std::string html = FormatResultsHtml(score, heading);
    FUZZ_CHECK(html.starts_with("<html>") && html.ends_with("</table></body></html>"));
    const std::string scoreCell = "<center>" + std::to_string(score.total.points) + " *  " +
                                  std::to_string(score.total.multiplier) + " = " + std::to_string(score.score) + "</center>";
    FUZZ_CHECK(html.find(scoreCell) != std::string::npos);

    CabrilloLog cabrillo;
    cabrillo.m_callsign = myCall;
    cabrillo.m_fileBaseName = CabrilloFileBaseName(myCall);
    cabrillo.m_category = in.text(8);
    cabrillo.m_name = in.text(8);
    cabrillo.m_address = ContinuationForm(MultiLine(in), "ADDRESS: ");
    cabrillo.m_soapbox = ContinuationForm(MultiLine(in), "SOAPBOX: ");
    for (int repeat = 0; repeat < 2; ++repeat) {  // a second export must not add the QSOs again
        const CabrilloWriteResult written = ExportCabrillo(cabrillo, contest.qsoLog, score.score, in.text(4), files);
        FUZZ_CHECK(written.written);
        CheckCabrilloFile(files.files.at(cabrillo.FileName()), contest.qsoLog.count());
    }
    return 0;
}
