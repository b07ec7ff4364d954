#pragma once

#include "windows/contest_snapshot.h"

// The plug-in state as the operator windows see it: ContestSource over g_pluginState.
ContestSource& PluginContestSource();
