#include "windows/module.h"

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE PluginModule() { return g_module; }
void SetPluginModule(HINSTANCE module) { g_module = module; }
