#include "boundary/statistics_reset.h"

#include <cstdlib>

#include "engine/bad_qso_file.h"
#include "engine/live_display.h"
#include "reports/prepare_export.h"

namespace {

// The one-shot "Start" switch: a reset after one that started the window thread leaves it be.
void ApplyStartSwitch(PluginState& state, Platform& platform) {
    state.startValue = std::atoi(platform.readSetting("Start", "").c_str());
    if (state.startValue != 0) {
        platform.writeSetting("Start", "0");
    } else if (!platform.setupWindowOpen()) {
        platform.startSetupThread();
        platform.writeSetting("Start", "1");
    }
}

}  // namespace

std::string ReadHostVersion(std::string_view hostIniPrefix, const std::string& previous,
                            Platform& platform, FileStore& files) {
    bool listed = false;
    for (const auto& name : platform.listFiles(std::string(hostIniPrefix) + "*.ini")) {
        if (name.find(kHostIniName) != std::string::npos) {
            listed = true;
            break;
        }
    }
    if (!listed) return kDefaultHostVersion;

    auto text = files.read(kHostIniName);
    if (!text) return previous;
    std::string version = previous;
    bool found = false;
    ForEachLine(*text, [&](std::string_view line) {
        if (found || line.find("Vexl=") == std::string_view::npos) return;
        version.assign(line.substr(5));
        found = true;
    });
    return version;
}

void RunStatisticsReset(PluginState& state, const ResetArguments& args, Platform& platform,
                        FileStore& files) {
    ContestState& contest = state.contest;

    state.contestStart = FormatOleDate(args.contestStart, "%d.%m");
    state.contestYear = FormatOleDate(args.contestStart, "%Y");
    state.contestEnd = FormatOleDate(args.contestEnd, "%d.%m.%Y");

    state.hostVersion = ReadHostVersion(args.hostIniPrefix, state.hostVersion, platform, files);

    auto districtFile = files.read(kDistrictFilePath);
    contest.districtList.load(districtFile ? &*districtFile : nullptr);

    contest.qsoLog.clear();
    contest.bandsWorked.clear();
    contest.dupeLinesNotWritten = 0;
    contest.prevRows = FreshPrevRows();

    if (homeStation(args.ownCountryPrefix)) state.russianUi = 1;

    state.myCall = args.myCall;
    state.cabrilloRequested = args.cabrilloRequest;
    if (args.cabrilloRequest != 0) {
        PrepareExport(state.cabrilloLog, args.myCall, platform);
        platform.writeSetting("Start", "1");
    }

    ApplyStartSwitch(state, platform);

    // Findings still owed to the file of another contest end go there before it is left behind.
    const std::string fileName = BadQsoFileName(args.contestEnd);
    if (fileName != contest.badQsoFileName) WriteBadQsoBacklog(files, contest.badQsoFileName, contest.badQsoBacklog);
    contest.badQsoFileName = fileName;
    CreateBadQsoFile(files, contest.badQsoFileName, contest.badQsoBacklog);
}
