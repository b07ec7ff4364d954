#include "boundary/plugin_globals.h"

#include "boundary/win32_platform.h"

namespace {

PluginState StateOfTheDll() {
    PluginState state;
    state.contest.districtList.setUpperCase(UpperCaseInAnsiCodePage);
    return state;
}

}  // namespace

PluginState g_plugin = StateOfTheDll();
std::recursive_mutex g_stateLock;
StdFileStore g_files;
