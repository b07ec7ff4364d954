#pragma once

#include <windows.h>

// The plug-in's own module: templates, icons and window classes come from here, never from the
// host's executable.
HINSTANCE PluginModule();
void SetPluginModule(HINSTANCE module);
