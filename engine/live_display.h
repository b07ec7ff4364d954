#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/contest_state.h"
#include "engine/qso_log.h"

// The data work of the operator windows' live refresh and paints; the windows only call these.

// Band index (0 "160m", 1 "80m", 2 "40m") of a frequency in Hz by its whole megahertz (1, 3 or 7,
// truncated toward zero); none for anything else, NaN included.
std::optional<int> ContestBandOfFrequency(double hz);

// "<SP1>" goes to the host when the frequency moved more than 300 Hz from where it was last sent.
bool ShouldSendSp1(double hz, double lastSp1Hz);

// Texts per previous-QSO row: the band label, then one cell per mode column.
inline constexpr std::size_t kPrevRowTexts = 1 + kModeColumns;
inline constexpr std::string_view kNoEarlierQso = "   -";

// The previous-QSO rows as a reset leaves them: each contest band's name, then "-" in every cell.
PrevRows FreshPrevRows();

// Makes every row 11 texts, dashes cells 1..10 and, for a non-empty call, puts into cell c+1 of
// row r the "%H:%M" time of the last QSO in log order with exactly this call, exactly the band
// bandNames[r] and mode column c. Goes through the log's index of calls, never the whole log.
void FillPrevRows(const QsoLog& log, std::string_view call, const std::vector<std::string>& bandNames,
                  PrevRows& rows);

// District codes in ascending byte order (a shorter code before a longer one it starts).
std::vector<std::string> SortedDistricts(std::vector<std::string> codes);

// Where the grid draws each code on a canvas whose right edge is canvasRight: rows of 40-pixel
// cells from x = 5, 15 pixels apart.
struct GridCell {
    int x, y;
};
std::vector<GridCell> GridLayout(std::size_t count, int canvasRight);

// Window captions in Windows-1251; year is the contest year.
std::string SetupCaption(std::string_view year, bool russian);
std::string PrevCaptionOpened(std::string_view year, bool russian);
std::string PrevCaptionNoCall(std::string_view year, bool russian);
std::string PrevCaptionWithCall(std::string_view year, std::string_view call, bool russian);
std::string GridCaptionOpened(std::string_view year);
std::string GridCaptionBand(std::string_view year, std::string_view bandName, std::string_view hostMode);

// The setup window's control texts that change with the Russian interface.
struct ControlText {
    int id;
    const char* cp1251;
};
std::span<const ControlText> RussianSetupControlTexts();
