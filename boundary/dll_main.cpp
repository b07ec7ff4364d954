// The application object: nothing to do at attach but remember the module; the window thread is
// stopped at detach, before the library's statics go (see StatsDllEntry).
#include <windows.h>

#include "boundary/plugin_globals.h"
#include "boundary/thread_runtime.h"
#include "boundary/window_thread.h"
#include "windows/module.h"

class CTestApp {
public:
    void InitInstance(HINSTANCE module) { SetPluginModule(module); }

    void ExitInstance() { ForgetThreadInRuntime(); }
};

namespace {
CTestApp theApp;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            theApp.InitInstance(module);
        } else if (reason == DLL_PROCESS_DETACH) {
            theApp.ExitInstance();
        }
    } catch (...) {
    }
    return TRUE;
}

// The library's entry point, ahead of the C runtime's.
//
// At an unload (FreeLibrary) the window thread is stopped first. A thread that could not be waited
// for (still making its first window, or waiting for the host) lives on in this image with a
// reference of its own, running the windows' code over the library's statics; so the C runtime's
// detach, which destroys them and shuts the runtime down, is then not run at all, and only the
// contest's data is let go of. The image goes, statics and all, when that thread leaves.
//
// A load in that time would get this same image back, and the system would attach it again; it
// refuses, so the load fails cleanly (LoadLibrary returns null) instead of handing out exports over
// a detached state. Once the thread has left, the next load maps a fresh copy. The flag is plain
// data in the image, zero in every fresh copy, and set only at the detach.
//
// When the whole process is ending, every other thread is already gone: there is nothing to stop,
// and waiting for the window thread would wait forever.
extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);

namespace {

bool g_imageDetached = false;

// True when the window thread lives on in the library.
bool StopWindowThreadLeftBehind() {
    try {
        if (!StopSetupThread()) return false;
        g_pluginState.withLock([](PluginState& state) { state = PluginState(); });
        return true;
    } catch (...) {
        return true;
    }
}

}  // namespace

extern "C" BOOL WINAPI StatsDllEntry(HANDLE module, DWORD reason, LPVOID reserved) {
    if (g_imageDetached) return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    if (reason == DLL_PROCESS_DETACH) {
        g_imageDetached = true;
        if (reserved == nullptr && StopWindowThreadLeftBehind()) return TRUE;
    }
    return DllMainCRTStartup(module, reason, reserved);
}
