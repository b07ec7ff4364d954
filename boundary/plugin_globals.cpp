#include "boundary/plugin_globals.h"

#include "boundary/win32_platform.h"

namespace {

PluginState StateOfTheDll() {
    PluginState state;
    state.contest.districtList.setUpperCase(UpperCaseInAnsiCodePage);
    return state;
}

}  // namespace

SharedPluginState g_pluginState{StateOfTheDll()};
StdFileStore g_files;
