// The application object: nothing to do at attach but remember the module; at detach the window
// thread is closed before the library goes away.
#include <windows.h>

#include "boundary/thread_runtime.h"
#include "boundary/window_thread.h"
#include "windows/module.h"

class CTestApp {
public:
    void InitInstance(HINSTANCE module) { SetPluginModule(module); }

    // When the whole process is ending, every other thread is already gone: there is nothing left
    // to close, and waiting for the window thread would wait forever.
    void ExitInstance(bool processTerminating) {
        if (processTerminating) return;
        StopSetupThread(StopReason::unload);
        ForgetThreadInRuntime();
    }
};

namespace {
CTestApp theApp;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            theApp.InitInstance(module);
        } else if (reason == DLL_PROCESS_DETACH) {
            theApp.ExitInstance(reserved != nullptr);
        }
    } catch (...) {
    }
    return TRUE;
}
