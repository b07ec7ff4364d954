// The application object: nothing to do at attach but remember the module; at detach the window
// thread is stopped before the library goes away.
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
        StopSetupThread();
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

// The library's entry point, ahead of the C runtime's. An unload that could not wait for the window
// thread (it was waiting for the host) leaves this image mapped after its detach, for that thread
// alone: its statics are destroyed and its C runtime shut down. A load in that time would get this
// same image back, and the system would attach it again; it refuses, so the load fails cleanly
// (LoadLibrary returns null) instead of handing out exports over a destroyed state. Once the thread
// has left, the image goes, and the next load maps a fresh copy. The flag is plain data in the
// image, zero in every fresh copy, and set only after the detach.
extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);

namespace {
bool g_imageDetached = false;
}

extern "C" BOOL WINAPI StatsDllEntry(HANDLE module, DWORD reason, LPVOID reserved) {
    if (g_imageDetached) return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    const BOOL result = DllMainCRTStartup(module, reason, reserved);
    if (reason == DLL_PROCESS_DETACH) g_imageDetached = true;
    return result;
}
