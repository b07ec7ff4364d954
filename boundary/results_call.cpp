#include "boundary/plugin_calls.h"

const char* ProduceResults(PluginState& state, int*, Platform&, FileStore&) {
    state.resultText.clear();
    return state.resultText.c_str();
}
