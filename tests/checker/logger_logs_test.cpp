// Logs in the shapes that other loggers and ADIF/Cabrillo libraries write (tests/logs/other_loggers),
// checked as a ham runs zelk-check on them: the score, the named lines, and the Cabrillo file
// written from them, which zelk-check reads back to the same score.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/checker_folder.h"

namespace {

const std::filesystem::path kLogs = ZELK_CHECK_TEST_LOGS;
const std::filesystem::path kSamples = ZELK_CHECK_SAMPLES;

std::string ScoreLine(const std::string& summary) {
    const std::size_t at = summary.find("Score:");
    return at == std::string::npos ? std::string() : summary.substr(at, summary.find('\r', at) - at);
}

class LoggerLogs : public CheckCommand {
protected:
    void copy(const std::filesystem::path& from, const std::string& name) {
        std::filesystem::copy_file(from, path(name), std::filesystem::copy_options::overwrite_existing);
    }
};

TEST_F(LoggerLogs, ScoresAndNamesEveryQsoOfOtherLoggersFiles) {
    struct Case {
        const char* file;
        std::vector<std::string> options;
        const char* score;
        std::vector<std::string> named;  // on standard error, in this order
    } cases[] = {
        {"multi_transmitter_3.0.cbr", {}, "Score:\t 4 *  3 = 12",
         {"multi_transmitter_3.0.cbr:9: NO RX NUMBER: no exchange sent", "multi_transmitter_3.0.cbr:13: DUPE of line 7",
          "multi_transmitter_3.0.cbr:14: the log has no END-OF-LOG: line",
          "6 QSOs read, 0 lines skipped; 5 logged, 1 rejected; 1 X-QSO line not scored; 2 finding lines"}},
        {"fixed_columns_2.0.cbr", {}, "Score:\t 2 *  1 = 2",
         {"fixed_columns_2.0.cbr:8: district ZZ99 not in the list",
          "fixed_columns_2.0.cbr:9: mode code DG names no single contest mode; give the mode of the log's DG QSOs with --dg-mode, line skipped"}},
        {"fixed_columns_2.0.cbr", {"--dg-mode", "psk31", "--force"}, "Score:\t 3 *  1 = 3",
         {"fixed_columns_2.0.cbr:8: district ZZ99", "4 QSOs read, 0 lines skipped; 4 logged, 0 rejected"}},
        {"library_adif3.adi", {"--force"}, "Score:\t 4 *  2 = 8",
         {"library_adif3.adi:4: SRX_STRING \"599 KI01\" holds the RST and the exchange; the exchange \"KI01\" is read",
          "library_adif3.adi:7: WRONG MODE MFSK32",
          "library_adif3.adi:8: FREQ \"3,750\" is not a frequency in MHz; the QSO counts on its BAND 80M",
          "library_adif3.adi:9: DUPE of line 4", "6 QSOs read, 0 lines skipped; 5 logged, 1 rejected; 2 finding lines"}},
        {"band_only_adif2.adi", {"--force"}, "Score:\t 4 *  2 = 8", {"4 QSOs read, 0 lines skipped; 4 logged, 0 rejected; 0 finding lines"}},
        // Written by an ADIF library from the npm registry: lower-case tags, a record per block, submodes.
        {"adif_parser_ts.adi", {"--force"}, "Score:\t 3 *  2 = 6",
         {"adif_parser_ts.adi:46: DUPE of line 6", "4 QSOs read, 0 lines skipped; 4 logged, 0 rejected; 1 finding line"}},
        // Written by the npm package cabrillo 0.1.0 (objectToCabrillo): a transmitter column on every
        // line, and the received exchange of lines 9 and 14 left blank, so that their last field is
        // the transmitter (read once as exchange "0", and "1": "district 1 not in the list").
        {"npm_cabrillo_3.0.cbr", {}, "Score:\t 4 *  2 = 8",
         {"npm_cabrillo_3.0.cbr:9: NO RX NUMBER: no exchange received", "npm_cabrillo_3.0.cbr:13: DUPE of line 10",
          "npm_cabrillo_3.0.cbr:14: NO RX NUMBER: no exchange received",
          "7 QSOs read, 0 lines skipped; 5 logged, 2 rejected; 3 finding lines"}},
        // Hand-made in the shape of a logger's ADIF export that writes digital QSOs as MODE DIGI.
        {"digi_mode_hand_made.adi", {"--force"}, "Score:\t 1 *  1 = 1",
         {"digi_mode_hand_made.adi:5: MODE DIGI names no single contest mode; give the mode of the log's digital QSOs with "
          "--dg-mode, line skipped",
          "1 QSO read, 3 lines skipped"}},
        // ADIF XML written by the npm package adif 0.2.6 (AdxWriter, over libxmljs): entities, an APP
        // field, an empty element for a blank exchange; each finding named with its record's line.
        {"adif_npm.adx", {"--force"}, "Score:\t 3 *  2 = 6",
         {"adif_npm.adx:52: NO RX NUMBER: no exchange received", "adif_npm.adx:65: DUPE of line 9",
          "adif_npm.adx:78: district ZZ99 not in the list",
          "ADIF XML (ADX) log, 6 QSOs read, 0 lines skipped; 5 logged, 1 rejected; 3 finding lines"}},
        // Written by pyqso 1.1.0's own ADIF writer (make_pyqso_adif.py): no exchange fields, the
        // exchanges typed after the RSTs, no own call, lengths in characters (a Cyrillic NOTES).
        {"pyqso_1.1.0.adi", {"--call", "UT5ZZ", "--districts", (kSamples / "zelk.txt").string(), "--force"}, "Score:\t 18 *  10 = 180",
         {"pyqso_1.1.0.adi:7: RST_SENT \"599 001\" holds the RST and the exchange (the record has no STX_STRING or STX); "
          "the exchange \"001\" is read",
          "pyqso_1.1.0.adi:40: the length of field <notes:17> counts characters, not bytes",
          "20 QSOs read, 0 lines skipped; 20 logged, 0 rejected; 2 finding lines"}},
        {"digi_mode_hand_made.adi", {"--dg-mode", "psk31", "--force"}, "Score:\t 3 *  2 = 6",
         {"digi_mode_hand_made.adi:7: DUPE of line 5", "4 QSOs read, 0 lines skipped; 4 logged, 0 rejected; 1 finding line"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        copy(kLogs / c.file, c.file);
        std::vector<std::string> args{c.file};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome result = run(args);
        EXPECT_EQ(ScoreLine(result.out), c.score) << result.out;
        std::size_t from = 0;
        for (const std::string& named : c.named) {
            const std::size_t at = result.err.find(named, from);
            EXPECT_NE(at, std::string::npos) << named << "\n" << result.err;
            if (at != std::string::npos) from = at;
        }
    }
}

// The Cabrillo file written from a log reads back to the same score, also from QSOs known by
// their band alone and without RSTs, whose filled-in values are counted once.
TEST_F(LoggerLogs, TheCabrilloFileReadsBackToTheSameScore) {
    struct Case {
        std::filesystem::path log;
        std::vector<std::string> options;
        const char* filled;  // on standard error, or empty
    } cases[] = {
        {kLogs / "band_only_adif2.adi", {}, "For the Cabrillo file 12 values were filled in"},
        {kLogs / "library_adif3.adi", {}, "For the Cabrillo file 1 value was filled in"},
        {kLogs / "adif_parser_ts.adi", {}, "For the Cabrillo file 1 value was filled in"},
        {kLogs / "multi_transmitter_3.0.cbr", {}, ""},
        {kLogs / "npm_cabrillo_3.0.cbr", {}, ""},
        {kLogs / "adif_npm.adx", {}, ""},
        {kLogs / "digi_mode_hand_made.adi", {"--dg-mode", "PSK31"}, ""},
        {kSamples / "contest.adi", {"--districts", (kSamples / "zelk.txt").string()}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log.filename().string());
        const std::string name = c.log.filename().string();
        copy(c.log, name);
        std::vector<std::string> plain{name, "--force", "--no-bad-qso-file"};
        plain.insert(plain.end(), c.options.begin(), c.options.end());
        const Outcome original = run(plain);
        const std::string score = ScoreLine(original.out);
        ASSERT_FALSE(score.empty()) << original.err;

        std::vector<std::string> export_ = plain;
        export_.insert(export_.end(), {"--cabrillo", "-o", "out"});
        std::filesystem::create_directories(path("out"));
        const Outcome exported = run(export_);
        EXPECT_NE(exported.err.find("claimed score "), std::string::npos) << exported.err;
        if (*c.filled) EXPECT_NE(exported.err.find(c.filled), std::string::npos) << exported.err;
        else EXPECT_EQ(exported.err.find("filled in"), std::string::npos) << exported.err;

        std::vector<std::string> readBack{"out/" + std::string("UR5TST.cbr"), "--force", "--no-bad-qso-file"};
        if (name == "contest.adi") readBack.front() = "out/" + filesIn("out").front();
        readBack.insert(readBack.end(), c.options.begin(), c.options.end());
        if (name != "contest.adi") readBack.insert(readBack.end(), {"--districts", "zelk.txt"});
        const Outcome again = run(readBack);
        EXPECT_EQ(again.err.find("line skipped"), std::string::npos) << again.err;
        EXPECT_EQ(ScoreLine(again.out), score) << again.err;
        std::filesystem::remove_all(path("out"));
    }
}

}  // namespace
