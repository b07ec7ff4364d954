#include "windows/operator_state.h"

std::string& g_currentCall = *new std::string();
int g_currentBand = -1;
int g_currentMode = -1;
double g_lastSp1Frequency = 0.0;
Prev* g_prevWindow = nullptr;
ZELK* g_zelkWindow = nullptr;
int g_windowOnTop = 0;
POINT g_lastWindowPos{0, 0};
HostAutomation g_host;
std::vector<std::string>& g_prevBandNames = *new std::vector<std::string>();
