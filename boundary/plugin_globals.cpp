#include "boundary/plugin_globals.h"

PluginState g_plugin;
std::recursive_mutex g_stateLock;
StdFileStore g_files;
