#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include <string_view>

#include "engine/ole_date.h"

// A ZELK contest played between stations with a known truth, for the cross-check's tests, its
// benchmark and the demo: each participant's log in a logger's format, and for every QSO line
// the verdict a correct cross-check must reach.
struct SimulatorSettings {
    std::size_t stations = 60;     // participants that send a log
    std::size_t qsosPerLog = 100;  // on average
    unsigned seed = 1;
    std::size_t plantedOfEachKind = 2;   // 0: a clean contest
    std::vector<std::string> districts;  // codes the UR stations send; from the district list
    OleDateTime start = MakeOleDate(2017, 5, 5, 21, 0);
    int hours = 6;
    // A real log that joins the contest as it is: the stations it worked take part (as many as
    // there are places) and log their side of its QSOs. No truth is kept for its own lines.
    std::string includedFileName;
    std::string includedText;
};

struct SimulatedLog {
    std::string call;
    std::string fileName;  // the call with a logger's ending: .log (Cabrillo 3.0), .cbr (2.0), .adi
    std::string text;
};

// What a QSO line of a log really is, as the simulator played it. The words of TruthName are the
// ones a cross-check's verdict list uses, so the two can be compared line by line.
enum class Truth { matched, bustedExchange, bustedCall, notInLog, unique, notCheckable, dupe };
std::string_view TruthName(Truth truth);

// The slip of the pen planted into a busted call.
enum class PlantedSlip { none, changed, missing, extra, swapped, suffix };
std::string_view PlantedSlipName(PlantedSlip slip);

struct TruthRecord {
    std::string fileName;
    std::size_t line = 0;
    Truth truth = Truth::matched;
    PlantedSlip slip = PlantedSlip::none;
    std::string label;  // the planted error ("NIL: UT5ZZ deleted its record"), empty for clean QSOs
};

struct SimulatedContest {
    std::vector<SimulatedLog> logs;
    std::vector<TruthRecord> truth;              // every QSO line of every log
    std::map<std::string, std::size_t> planted;  // planted errors by kind
};

SimulatedContest SimulateContest(const SimulatorSettings& settings);

// The codes of a district list text, as the plug-in reads them.
std::vector<std::string> DistrictCodesOf(const std::string& districtList);
