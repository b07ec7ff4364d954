#include "boundary/thread_runtime.h"

#include <windows.h>

#include "windows/module.h"

// The threads runtime's own notification of a thread's end, as the loader calls it.
extern "C" const PIMAGE_TLS_CALLBACK __xl_f;

void ForgetThreadInRuntime() { __xl_f(PluginModule(), DLL_THREAD_DETACH, nullptr); }
