#include "boundary/plugin_globals.h"

PluginState g_plugin;
std::mutex g_stateLock;
StdFileStore g_files;
