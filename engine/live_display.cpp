#include "engine/live_display.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/contest_rules.h"
#include "engine/ole_date.h"
#include "resources/resource_ids.h"

namespace {

// Russian texts as Windows-1251 bytes.
constexpr std::string_view kRuSetup = "\xD3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE8";         // Установки
constexpr std::string_view kRuPrevious = "\xCF\xF0\xE5\xE4\xFB\xE4\xF3\xF9\xE8\xE5";  // Предыдущие
constexpr const char* kRuModeLabel = "\xC2\xE8\xE4 \xF0\xE0\xE1\xEE\xF2\xFB";         // Вид работы
constexpr const char* kRuViewLabel = "\xCE\xF2\xEE\xE1\xF0\xE0\xE6\xE0\xF2\xFC";      // Отображать
constexpr const char* kRuPreviousQso = "\xCF\xF0\xE5\xE4\xFB\xE4\xF3\xF9\xE8\xE5 QSO";  // Предыдущие QSO
constexpr const char* kRuWindowOnTop = "\xCF\xEE\xE2\xE5\xF0\xF5 \xEE\xEA\xEE\xED";  // Поверх окон

constexpr std::array<ControlText, 4> kRussianSetupTexts = {{
    {IDC_MODE_LABEL, kRuModeLabel},
    {IDC_VIEW_LABEL, kRuViewLabel},
    {IDC_VIEW_PREV, kRuPreviousQso},
    {IDC_WINDOW_ON_TOP, kRuWindowOnTop},
}};

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text.append(part);
    return text;
}

}  // namespace

std::optional<int> ContestBandOfFrequency(double hz) {
    // Compared as a double: a huge or NaN frequency must not reach an integer conversion.
    const double megahertz = std::trunc(hz / 1'000'000.0);
    if (megahertz == 1.0) return 0;
    if (megahertz == 3.0) return 1;
    if (megahertz == 7.0) return 2;
    return std::nullopt;
}

bool ShouldSendSp1(double hz, double lastSp1Hz) { return std::fabs(hz - lastSp1Hz) > 300.0; }

void FillPrevRows(const QsoLog& log, std::string_view call, const std::vector<std::string>& bandNames,
                  PrevRows& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<std::string>& row = rows[r];
        if (row.empty()) row.push_back(r < bandNames.size() ? bandNames[r] : std::string());
        row.resize(kPrevRowTexts);
        std::fill(row.begin() + 1, row.end(), kNoEarlierQso);
    }
    if (call.empty()) return;
    const std::size_t namedRows = std::min(rows.size(), bandNames.size());
    log.forEachSummaryOfCall(call, [&](const QsoLog::Summary& qso) {
        const std::optional<int> column = ModeColumn(qso.mode);
        if (!column) return;
        for (std::size_t r = 0; r < namedRows; ++r)
            if (qso.band == bandNames[r])
                rows[r][static_cast<std::size_t>(*column) + 1] = FormatOleDate(qso.time, "%H:%M");
    });
}

std::vector<std::string> SortedDistricts(std::vector<std::string> codes) {
    // std::string compares its bytes as unsigned char; Windows-1251 has no multibyte characters.
    std::stable_sort(codes.begin(), codes.end());
    return codes;
}

std::vector<GridCell> GridLayout(std::size_t count, int canvasRight) {
    std::vector<GridCell> cells;
    cells.reserve(count);
    int x = 5, y = 0;
    for (std::size_t i = 0; i < count; ++i) {
        cells.push_back({x, y});
        x += 40;
        if (x + 40 > canvasRight) {  // x > right - 40, without overflow for any right edge
            x = 5;
            y += 15;
        }
    }
    return cells;
}

std::string SetupCaption(std::string_view year, bool russian) {
    return Join({russian ? kRuSetup : std::string_view("Setup"), " ZELK-", year});
}

std::string PrevCaptionOpened(std::string_view year, bool russian) {
    return russian ? Join({"ZELK-", year, " ", kRuPrevious, " QSO"})
                   : Join({"ZELK-", year, " Previous, QSO"});
}

std::string PrevCaptionNoCall(std::string_view year, bool russian) {
    return Join({"ZELK-", year, " ", russian ? kRuPrevious : std::string_view("Previous"), " QSO"});
}

std::string PrevCaptionWithCall(std::string_view year, std::string_view call, bool russian) {
    // The Russian caption has the Latin "c" (0x63) before the call.
    return Join({"ZELK-", year, " ", russian ? kRuPrevious : std::string_view("Previous"),
                 russian ? " QSO c " : " QSO with ", call, " "});
}

std::string GridCaptionOpened(std::string_view year) { return Join({"ZELK-", year, " "}); }

std::string GridCaptionBand(std::string_view year, std::string_view bandName, std::string_view hostMode) {
    return Join({"ZELK-", year, " ZELK on ", bandName, " ", hostMode});
}

std::span<const ControlText> RussianSetupControlTexts() { return kRussianSetupTexts; }

PrevRows FreshPrevRows() {
    PrevRows rows;
    for (int band = 0; band < kContestBands; ++band) {
        rows[band].assign(kPrevRowTexts, "-");
        rows[band][0] = contest_tables::kBandNames[band];
    }
    return rows;
}
