#include "boundary/window_thread.h"

#include <atomic>
#include <chrono>
#include <memory>

#include "windows/module.h"
#include "windows/window_thread_state.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStopLimit = std::chrono::seconds(5);

// The window thread's handle; only the host's thread touches it.
HANDLE g_windowThread = nullptr;
// Set by the window thread as the last thing it does before it leaves the library's code.
std::atomic<bool> g_threadLeaving{false};

DWORD WINAPI SetupThreadMain(void* parameter) {
    {
        std::unique_ptr<CaptionTexts> texts(static_cast<CaptionTexts*>(parameter));
        try {
            RunOperatorWindows(*texts);
        } catch (...) {
        }
    }
    g_threadLeaving.store(true);
    ExitThread(0);
}

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

bool ThreadEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

void ForgetThread() {
    CloseHandle(g_windowThread);
    g_windowThread = nullptr;
}

// Whether the thread's instruction pointer lies outside this library. Once the thread has said it
// is leaving, outside means inside ExitThread, from which it never comes back.
bool ThreadOutsideLibrary(HANDLE thread) {
    const auto base = reinterpret_cast<std::uintptr_t>(PluginModule());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + static_cast<std::uintptr_t>(dos->e_lfanew));
    const std::uintptr_t end = base + nt->OptionalHeader.SizeOfImage;

    if (SuspendThread(thread) == static_cast<DWORD>(-1)) return ThreadEnded(thread);
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    const bool read = GetThreadContext(thread, &context) != FALSE;
    ResumeThread(thread);
#if defined(_WIN64)
    const std::uintptr_t at = context.Rip;
#else
    const std::uintptr_t at = context.Eip;
#endif
    return read && (at < base || at >= end);
}

// At an unload the loader lock is held: the window thread cannot finish ending (a thread's end
// needs that lock), so wait until it has said it is leaving and is no longer running our code.
bool WaitUntilOutsideLibrary(Clock::time_point deadline) {
    while (!g_threadLeaving.load() && !ThreadEnded(g_windowThread)) {
        if (Clock::now() >= deadline) return false;
        Sleep(5);
    }
    while (!ThreadEnded(g_windowThread) && !ThreadOutsideLibrary(g_windowThread)) {
        if (Clock::now() >= deadline) return false;
        Sleep(1);
    }
    return true;
}

// A window thread stuck in a host call past the limit will come back into this library's code:
// keep the code mapped for it.
void KeepLibraryMapped() {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&KeepLibraryMapped), &pinned);
}

}  // namespace

bool SetupThreadRunning() { return g_windowThread && !ThreadEnded(g_windowThread); }

HWND SetupWindowHandle() { return g_setupWindow.load(); }

void StartSetupThread(const WindowThreadStart& start) {
    if (g_windowThread) {
        if (!ThreadEnded(g_windowThread)) StopSetupThread(StopReason::restart);
        // A thread stuck in a host call ends by itself once the call returns; no second one meanwhile.
        if (g_windowThread && !ThreadEnded(g_windowThread)) return;
        if (g_windowThread) ForgetThread();
    }
    g_stopRequested.store(false);
    g_unloading.store(false);
    g_threadLeaving.store(false);
    g_windowThreadReady.store(false);
    auto texts = std::make_unique<CaptionTexts>(CaptionTexts{start.contestYear, start.russianUi});
    g_windowThread = CreateThread(nullptr, 0, &SetupThreadMain, texts.get(), 0, nullptr);
    if (!g_windowThread) return;
    texts.release();
    // Until its first window exists the thread loads parts of the system, which needs the loader;
    // an unload right after the reset would then wait for it in vain.
    const auto deadline = Clock::now() + kStopLimit;
    while (!g_windowThreadReady.load() && !ThreadEnded(g_windowThread) && Clock::now() < deadline) Sleep(2);
}

void StopSetupThread(StopReason reason) {
    if (!g_windowThread) return;
    if (ThreadEnded(g_windowThread)) {
        ForgetThread();
        return;
    }
    const auto deadline = Clock::now() + kStopLimit;
    g_unloading.store(reason == StopReason::unload);
    g_stopRequested.store(true);
    // The close reaches the setup window, which closes the list windows it owns.
    if (HWND setup = g_setupWindow.load())
        SendMessageTimeoutW(setup, WM_CLOSE, 0, 0, SMTO_NORMAL, MillisecondsUntil(deadline), nullptr);

    if (reason == StopReason::restart) {
        if (WaitForSingleObject(g_windowThread, MillisecondsUntil(deadline)) == WAIT_OBJECT_0) ForgetThread();
        return;
    }
    if (WaitUntilOutsideLibrary(deadline)) {
        ForgetThread();
    } else {
        KeepLibraryMapped();
    }
}
