#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "windows/host_automation.h"

class Prev;
class ZELK;

// What the operator windows keep between messages. All of it belongs to the window thread: the
// host's thread never reads or writes it (the contest data it shows lives in the plug-in state,
// under the state lock). The texts are never destroyed: a window thread that an unload could not
// wait for lives on after the library's static destructors, until the host answers it.
extern std::string& g_currentCall;  // the call being entered, as the host gives it
extern int g_currentBand;          // band index of the host's frequency, -1 until a contest band is met
extern int g_currentMode;          // mode column of the host's mode, -1 until one of the ten is met
extern double g_lastSp1Frequency;  // Hz at the last "<SP1>"
extern Prev* g_prevWindow;         // the open previous-QSO window, else null
extern ZELK* g_zelkWindow;         // the open district grid window, else null
extern int g_windowOnTop;          // the list windows open topmost
// The last position read from or written to the ini file, one pair shared by the three windows.
extern POINT g_lastWindowPos;
// Connected only during a conversation with the host (host_conversation.h).
extern HostAutomation g_host;
extern std::vector<std::string>& g_prevBandNames;

inline constexpr UINT ZELK_UPDATE = WM_USER + 500;
