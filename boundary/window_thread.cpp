#include "boundary/window_thread.h"

#include <atomic>
#include <chrono>
#include <memory>

#include "boundary/thread_runtime.h"
#include "windows/module.h"
#include "windows/window_thread_state.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStopLimit = std::chrono::seconds(5);

// How the window thread leaves the library: by itself, or, when an unload could not wait for it,
// with a reference of its own that the host's thread gave it.
enum class Leaving { running, withReference, finished };

struct ThreadHandleCloser {
    using pointer = HANDLE;
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ThreadHandle = std::unique_ptr<void, ThreadHandleCloser>;

// The window thread; only the host's thread touches these two.
ThreadHandle g_windowThread;
DWORD g_windowThreadId = 0;
std::atomic<Leaving> g_leaving{Leaving::running};

DWORD WINAPI SetupThreadMain(void* parameter) {
    {
        std::unique_ptr<CaptionTexts> texts(static_cast<CaptionTexts*>(parameter));
        try {
            RunOperatorWindows(*texts);
        } catch (...) {
        }
    }
    ForgetThreadInRuntime();
    if (g_leaving.exchange(Leaving::finished) == Leaving::withReference)
        FreeLibraryAndExitThread(PluginModule(), 0);
    ExitThread(0);
}

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

bool ThreadEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

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

BOOL CALLBACK HideWindow(HWND window, LPARAM) {
    ShowWindowAsync(window, SW_HIDE);
    return TRUE;
}

// At an unload the host's thread holds the loader lock: the window thread cannot end (a thread's
// end needs that lock), so wait until it has finished and stepped out of the library's code into
// ExitThread; the library then goes with the host's FreeLibrary, and a host that loads it again at
// once gets a fresh copy. A thread still waiting for the host at the limit gets a reference of its
// own instead (it cannot take one itself while the lock is held): the library stays mapped until
// the thread leaves it with that reference, once the host answers.
bool WaitUntilLibraryLeft(Clock::time_point deadline) {
    HANDLE thread = g_windowThread.get();
    while (g_leaving.load() != Leaving::finished && !ThreadEnded(thread)) {
        if (Clock::now() >= deadline) {
            Leaving expected = Leaving::running;
            if (g_leaving.compare_exchange_strong(expected, Leaving::withReference)) {
                HMODULE held = nullptr;
                GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   reinterpret_cast<LPCWSTR>(&SetupThreadMain), &held);
                return false;
            }
        }
        Sleep(2);
    }
    while (!ThreadEnded(thread) && !ThreadOutsideLibrary(thread)) Sleep(1);
    return true;
}

}  // namespace

// Asked on every call check: the thread's own word that it is leaving, not a wait on its handle,
// which is a trip to the system's thread bookkeeping (a round trip to another process under Wine)
// with the state lock held.
bool SetupThreadRunning() { return g_windowThread && g_leaving.load() != Leaving::finished; }

HWND SetupWindowHandle() { return g_setupWindow.load(); }

void StartSetupThread(const WindowThreadStart& start) {
    if (g_windowThread) {
        if (!ThreadEnded(g_windowThread.get())) StopSetupThread(StopReason::restart);
        // A thread stuck in a host call ends by itself once the call returns; no second one meanwhile.
        if (g_windowThread) return;
    }
    g_stopRequested.store(false);
    g_leaving.store(Leaving::running);
    g_windowThreadReady.store(false);
    auto texts = std::make_unique<CaptionTexts>(CaptionTexts{start.contestYear, start.russianUi});
    g_windowThread.reset(CreateThread(nullptr, 0, &SetupThreadMain, texts.get(), 0, &g_windowThreadId));
    if (!g_windowThread) return;
    texts.release();
    // Until its first window exists the thread loads parts of the system, which needs the loader;
    // an unload right after the reset would then wait for it in vain.
    const auto deadline = Clock::now() + kStopLimit;
    while (!g_windowThreadReady.load() && !ThreadEnded(g_windowThread.get()) && Clock::now() < deadline) Sleep(2);
}

void StopSetupThread(StopReason reason) {
    if (!g_windowThread) return;
    if (ThreadEnded(g_windowThread.get())) {
        g_windowThread.reset();
        return;
    }
    const auto deadline = Clock::now() + kStopLimit;
    g_stopRequested.store(true);
    // Going with the library, the windows leave the screen now, even while their thread still
    // waits for the host.
    if (reason == StopReason::unload) EnumThreadWindows(g_windowThreadId, &HideWindow, 0);
    // The close reaches the setup window, which closes the list windows it owns.
    if (HWND setup = g_setupWindow.load())
        SendMessageTimeoutW(setup, WM_CLOSE, 0, 0, SMTO_NORMAL, MillisecondsUntil(deadline), nullptr);

    if (reason == StopReason::restart) {
        if (WaitForSingleObject(g_windowThread.get(), MillisecondsUntil(deadline)) == WAIT_OBJECT_0)
            g_windowThread.reset();
        return;
    }
    WaitUntilLibraryLeft(deadline);
    g_windowThread.reset();
}
