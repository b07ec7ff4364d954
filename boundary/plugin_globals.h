#pragma once

#include <mutex>

#include "boundary/plugin_state.h"
#include "engine/file_store.h"

// The DLL's one instance of the plug-in state, under the names the rest of the system uses.
extern PluginState g_plugin;
// Guards g_plugin: the host's thread and the window thread both reach it. Recursive because the
// header dialog and the message boxes run a message loop on the host's thread while the lock is
// held, and the host's windows may call an export from inside that loop.
extern std::recursive_mutex g_stateLock;
extern StdFileStore g_files;

inline QsoLog& g_qsoLog = g_plugin.contest.qsoLog;
inline std::vector<std::string>& g_bandsWorked = g_plugin.contest.bandsWorked;
inline DistrictList& g_districtList = g_plugin.contest.districtList;
inline std::string& g_badQsoFileName = g_plugin.contest.badQsoFileName;
inline WorkedDistricts& g_workedDistricts = g_plugin.contest.workedDistricts;
inline PrevRows& g_prevRows = g_plugin.contest.prevRows;
inline std::string& g_myCall = g_plugin.myCall;
inline std::string& g_contestStart = g_plugin.contestStart;
inline std::string& g_contestYear = g_plugin.contestYear;
inline std::string& g_contestEnd = g_plugin.contestEnd;
inline std::string& g_hostVersion = g_plugin.hostVersion;
inline std::int32_t& g_htmlResults = g_plugin.htmlResults;
inline std::int32_t& g_cabrilloRequested = g_plugin.cabrilloRequested;
inline std::int32_t& g_startValue = g_plugin.startValue;
inline std::int32_t& g_russianUi = g_plugin.russianUi;
inline std::int32_t& g_refreshReady = g_plugin.refreshReady;
inline std::int64_t& g_claimedScore = g_plugin.claimedScore;
inline CabrilloLog& g_cabrilloLog = g_plugin.cabrilloLog;
