#include "boundary/plugin_calls.h"

int AddQso(PluginState&, const QsoArguments&, FileStore&) { return 0; }
int RemoveQso(PluginState&, const QsoArguments&, Platform&, FileStore&) { return 1; }
int CheckCall(PluginState&, const CallCheckArguments&, Platform&) { return 1; }
int IsValidExchange(std::string_view, std::string_view) { return 0; }
