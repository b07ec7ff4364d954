#pragma once

#include "boundary/critical_section.h"
#include "boundary/plugin_state.h"
#include "boundary/synchronised.h"
#include "engine/file_store.h"

// The DLL's one instance of the plug-in state. The host's thread and the window thread both reach
// it, and only through its lock. Recursive because the header dialog and the message boxes run a
// message loop on the host's thread while the lock is held, and the host's windows may call an
// export from inside that loop.
using SharedPluginState = Synchronised<PluginState, CriticalSection>;
extern SharedPluginState g_pluginState;
extern StdFileStore g_files;
