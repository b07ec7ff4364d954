// The application object: nothing to do at attach but remember the module; the window thread is
// stopped at detach, before the library's statics go (see StatsDllEntry).
#include <windows.h>

#include "boundary/image_life.h"
#include "boundary/loader_lock.h"
#include "boundary/plugin_globals.h"
#include "boundary/thread_runtime.h"
#include "boundary/window_thread.h"
#include "windows/host_automation.h"
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
// detach, which destroys them and shuts the runtime down, is not run then: the thread runs it
// when it leaves (image_life.h). Only the contest's data, the host's object and the unloading
// thread's record in the runtime are let go of now.
//
// A load in that time gets this same image back, and the system attaches it again: its statics
// and runtime are whole, so it answers as a fresh copy; the C runtime is not attached a second
// time (it was never detached). Only in the few instructions between the leaving thread's
// teardown and its release of the image does a load find the runtime gone: that load fails cleanly
// (LoadLibrary returns null, ERROR_DLL_INIT_FAILED), and the next one maps a fresh copy.
//
// The state is plain data in the image, zero in every fresh copy; every change of it happens under
// the loader lock (in an entry point notification, or with LoaderLock held).
//
// When the whole process is ending, every other thread is already gone: there is nothing to stop,
// and waiting for the window thread would wait forever.
extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);

namespace {

enum class ImageState { attached, leftBehind, tornDown };
ImageState g_imageState = ImageState::attached;

// True when the window thread lives on in the library.
bool StopWindowThreadLeftBehind() {
    try {
        if (!StopSetupThread()) return false;
        WithdrawHostObject();
        g_pluginState.withLock([](PluginState& state) { state = PluginState(); });
        return true;
    } catch (...) {
        return true;
    }
}

}  // namespace

void LeaveImageLeftBehind() {
    const HMODULE module = PluginModule();
    {
        LoaderLock loader;
        // A load meanwhile has attached the image again: it is in use, and its own unload tears
        // it down. Without the loader lock the teardown could race such a load; then it is
        // left to the process's end, as before a thread could leave by itself.
        if (loader.held() && g_imageState == ImageState::leftBehind) {
            g_imageState = ImageState::tornDown;
            DllMainCRTStartup(module, DLL_PROCESS_DETACH, nullptr);
            // The loader told the image of its unload already, and tells it of no thread's end
            // since: nothing of the runtimes runs in it any more.
            ReleaseRuntimeLeftovers();
        }
    }
    FreeLibraryAndExitThread(module, 0);
}

extern "C" BOOL WINAPI StatsDllEntry(HANDLE module, DWORD reason, LPVOID reserved) {
    switch (g_imageState) {
        case ImageState::tornDown:
            return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
        case ImageState::leftBehind:
            if (reason != DLL_PROCESS_ATTACH) return TRUE;
            g_imageState = ImageState::attached;
            theApp.InitInstance(static_cast<HINSTANCE>(module));
            return TRUE;
        case ImageState::attached:
            break;
    }
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        if (StopWindowThreadLeftBehind()) {
            g_imageState = ImageState::leftBehind;
            // The unloading thread outlives the library: its record in the runtime goes now, as
            // the runtime's own detach would have given it back.
            theApp.ExitInstance();
            return TRUE;
        }
        WithdrawHostObject();
        const BOOL detached = DllMainCRTStartup(module, reason, reserved);
        ReleaseRuntimeLeftovers();
        return detached;
    }
    return DllMainCRTStartup(module, reason, reserved);
}
