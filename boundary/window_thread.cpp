#include "boundary/window_thread.h"

#include <atomic>
#include <chrono>
#include <memory>

#include "boundary/image_life.h"
#include "boundary/import_pins.h"
#include "boundary/plugin_contest_source.h"
#include "boundary/thread_runtime.h"
#include "windows/host_automation.h"
#include "windows/module.h"
#include "windows/off_screen.h"
#include "windows/window_thread_state.h"

namespace {

using Clock = std::chrono::steady_clock;
// How long an unload waits for an idle window thread to close its windows and step out of the
// library: it needs only the processor and the display for that, so this is reached only on a
// machine that starves the thread; the thread is then given its own reference as for a
// conversation, once its windows are off the screen.
constexpr auto kIdleStopLimit = std::chrono::milliseconds(500);
// How long an unload waits at most for the windows of a thread it leaves behind to go off the
// screen. Taking them off needs the window thread (it acts on its own windows) but nothing of the
// host's thread, the loader or a window manager (off_screen.h): a thread waiting for the host does
// it inside COM's wait, an idle one between its messages, all its windows in one go. The limit only
// bounds a thread that began and then cannot run.
constexpr auto kHideLimit = std::chrono::seconds(1);
// How long it waits for the first of them to go: a thread that can run hides one within a few
// milliseconds even on a busy machine.
constexpr auto kHideStartLimit = std::chrono::milliseconds(250);
// How long a reset waits for the new thread's first window (see StartSetupThread).
constexpr auto kStartLimit = std::chrono::milliseconds(50);

struct ThreadHandleCloser {
    using pointer = HANDLE;
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ThreadHandle = std::unique_ptr<void, ThreadHandleCloser>;

// The window thread; only the host's thread touches these two.
ThreadHandle g_windowThread;
DWORD g_windowThreadId = 0;

DWORD WINAPI SetupThreadMain(void* parameter) {
    {
        std::unique_ptr<CaptionTexts> texts(static_cast<CaptionTexts*>(parameter));
        try {
            RunOperatorWindows(*texts);
        } catch (...) {
        }
    }
    ForgetThreadInRuntime();
    if (g_threadLife.exchange(ThreadLife::finished) == ThreadLife::abandoned) LeaveImageLeftBehind();
    ExitThread(0);
}

bool ThreadEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// Whether the thread's instruction pointer lies outside this library. Once the thread has said it
// is finished, outside means inside its exit call, from which it never comes back.
bool ThreadOutsideLibrary(HANDLE thread) {
    const auto base = reinterpret_cast<std::uintptr_t>(PluginModule());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + static_cast<std::uintptr_t>(dos->e_lfanew));
    const std::uintptr_t end = base + nt->OptionalHeader.SizeOfImage;

    // A thread that cannot be suspended any more is ending: it is in its exit call.
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) return true;
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

// Asks the thread to take its windows off the screen (off_screen.h) without waiting for it; a
// window that is not a dialog of the plug-in ignores the message and is hidden the plain way, after
// the dialogs have taken it off the screen with theirs.
BOOL CALLBACK HideWindow(HWND window, LPARAM) {
    SendNotifyMessageW(window, OffScreenMessage(), 0, 0);
    ShowWindowAsync(window, SW_HIDE);
    return TRUE;
}

BOOL CALLBACK CountVisibleWindow(HWND window, LPARAM count) {
    if (IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// How many windows of the thread are on the screen: the system's record of the windows, read
// without asking the thread.
int ShownWindowsOf(DWORD threadId) {
    int count = 0;
    EnumThreadWindows(threadId, &CountVisibleWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Takes every window of the thread off the screen and waits until none is shown. The request is
// a notification (HideWindow): a thread waiting for the host carries it out inside COM's wait
// (which takes sent messages), an idle one between its messages, a starting one has shown nothing
// yet. A thread that takes none of them at first is waiting for something else, most likely the
// loader lock that this unload holds (COM loads libraries and looks up their functions as a
// conversation begins): it takes its windows off as soon as FreeLibrary has returned, and is not
// waited for. Its windows are then still shown when FreeLibrary returns, and no call can change
// that, on Windows as on Wine: every change of a window's visibility, region or style is carried
// out by the window's own thread. ShowWindow, SetWindowPos, SetWindowRgn, SetWindowLong and
// DestroyWindow called from another thread send it their notifications (WM_SHOWWINDOW,
// WM_WINDOWPOSCHANGING, WM_STYLECHANGING) and wait for its answer, which would deadlock here, and
// their asynchronous forms post to it. The system takes the loader lock before the library's
// detach and gives it back only as FreeLibrary returns, so the thread cannot run before then.
void HideThreadWindows(HANDLE thread, DWORD threadId) {
    EnumThreadWindows(threadId, &HideWindow, 0);
    const int shownAtFirst = ShownWindowsOf(threadId);
    const auto start = Clock::now();
    for (int shown = shownAtFirst; shown > 0 && !ThreadEnded(thread); shown = ShownWindowsOf(threadId)) {
        const auto waited = Clock::now() - start;
        if (waited >= kHideLimit || (shown == shownAtFirst && waited >= kHideStartLimit)) return;
        Sleep(1);
    }
}

// The thread has run its last line of the library: wait the few instructions until it is in its
// exit call (blocked there on the loader lock that the unload holds).
void WaitUntilOutsideLibrary(HANDLE thread) {
    while (!ThreadEnded(thread) && !ThreadOutsideLibrary(thread)) Sleep(1);
}

// Gives the thread a reference to the library of its own, which it gives back with
// LeaveImageLeftBehind once it has ended, and takes its windows off the screen. Called only after
// g_threadLife became abandoned: the thread cannot give the reference back before the unload has
// returned, since that needs the loader lock that the unload holds.
void HandOverReference() {
    HMODULE held = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&SetupThreadMain), &held);
    // The libraries it imports are being let go of with this unload: they must stay for it.
    PinImportedLibraries(PluginModule());
    // Its windows close only when the host has answered: off the screen with them now, before
    // the host's FreeLibrary returns.
    HideThreadWindows(g_windowThread.get(), g_windowThreadId);
}

// A reset on an image that a load took again while the window thread of its last unload still
// runs in it: the windows of that thread and of a new one would share the windows' state, so the
// new one starts at the first export after the old one has left.
bool g_startPending = false;
WindowThreadStart g_pendingStart;

bool EarlierThreadStillRuns() { return !g_windowThread && g_threadLife.load() == ThreadLife::abandoned; }

}  // namespace

// Asked on every call check: the thread's own word that it is leaving, not a wait on its handle,
// which is a trip to the system's thread bookkeeping (a round trip to another process under Wine)
// with the state lock held.
bool SetupThreadRunning() {
    return g_startPending || (g_windowThread && g_threadLife.load() != ThreadLife::finished);
}

void StartPendingSetupThread() {
    if (!g_startPending || EarlierThreadStillRuns()) return;
    g_startPending = false;
    StartSetupThread(g_pendingStart);
}

HWND SetupWindowHandle() { return g_setupWindow.load(); }

void StartSetupThread(const WindowThreadStart& start) {
    // A thread that has finished runs no more of the library's code that touches what a new one
    // uses; one that has not is still closing its windows and ends by itself.
    if (g_windowThread && g_threadLife.load() != ThreadLife::finished) return;
    if (EarlierThreadStillRuns()) {
        g_pendingStart = start;
        g_startPending = true;
        return;
    }
    g_windowThread.reset();
    OfferHostObject();
    OpenContestSource(PluginContestSource());
    g_stopRequested.store(false);
    g_threadLife.store(ThreadLife::starting);
    auto texts = std::make_unique<CaptionTexts>(CaptionTexts{start.contestYear, start.russianUi});
    g_windowThread.reset(CreateThread(nullptr, 0, &SetupThreadMain, texts.get(), 0, &g_windowThreadId));
    if (!g_windowThread) {
        g_threadLife.store(ThreadLife::finished);
        return;
    }
    texts.release();
    // Until its setup window exists the thread needs the loader (a new thread first tells every
    // loaded library that it starts, and the system loads parts of itself for a first window),
    // which an unload holds, so an unload in that time cannot wait for it and leaves it behind
    // (see StopSetupThread). The reset waits a little for the window, where the loader is free and
    // the thread needs nothing of the host's thread: then an unload soon after finds the thread
    // idle and takes the library with it, and a load right after gets a fresh copy. A thread slow
    // to make its window (a starved machine) is not waited for longer: the host's thread goes on.
    const auto deadline = Clock::now() + kStartLimit;
    while (g_threadLife.load() == ThreadLife::starting && !ThreadEnded(g_windowThread.get()) && Clock::now() < deadline)
        Sleep(1);
}

// The unload, on the host's thread inside the loader: the loader lock is held, and the host's
// thread takes no messages until FreeLibrary returns. So this never waits for anything that needs
// either of them:
// - a thread still making its first window (the system may load libraries for it: the loader lock)
//   or in a conversation with the host (its calls, the release of the host's object and COM's
//   uninitialisation are answered by the host's thread; a real host's UI thread answers only as it
//   takes its messages, which it does not do in FreeLibrary) is not waited for: it gets a reference
//   of its own and leaves the library with it once it has made its window or the host has
//   answered, closing its windows then.
//   - The reference is taken inside the detach, the only moment the library learns of the unload.
//     Wine's loader unmaps an image only when no reference is left once its detach has run, and a
//     later load of the same file attaches that image again (image_life.h). Windows' loader counts
//     the references of a module the same way (GetModuleHandleEx on a module whose detach runs
//     adds to its count, and FreeLibraryAndExitThread gives it back), but this has been checked
//     under Wine only.
//   - Its windows are off the screen before FreeLibrary returns. A window is hidden by its own
//     thread, so the request is sent to it as a notification, which the thread takes wherever it
//     takes sent messages: a thread in a conversation waits for the host inside COM's wait, which
//     on a single-threaded apartment takes sent messages (Windows' modal loop for an outgoing call
//     does the same), and a starting thread has shown nothing yet (it shows the setup window only
//     once it is past its start, see RunOperatorWindows). The unload waits until no window of the
//     thread is shown: that needs the window thread only, and taking the windows off waits for no
//     window manager (off_screen.h): a few milliseconds, also with Wine's managed windows on a
//     bare X server. A thread that takes none of them at first waits for the loader lock (COM
//     may load a library as a conversation begins) and takes them off once FreeLibrary has
//     returned.
//   - The call itself is not cancelled (host_call_filter.h): the thread ends when the host answers,
//     releases the host's object and COM as usual (leaving them to the system at the thread's end
//     would release the proxy from the thread's detach, inside the loader, with the host's thread
//     perhaps waiting for the loader in its turn), and then gives the library back
//     (LeaveImageLeftBehind), tearing the runtime down if no load took the image meanwhile.
// - an idle thread (messages and paints only) is woken, closes its windows, and is waited for
//   until it has stepped out of the library into its exit call, where it waits for the loader lock;
//   the library then goes with this FreeLibrary, and the next load is a fresh copy. One that the
//   processor starves past kIdleStopLimit is left behind like one in a conversation.
// A thread left behind may be anywhere in its windows' code, which uses the library's statics, so
// the detach then leaves the statics and the C runtime as they are (true is returned) and the
// image keeps them until the thread has left; only the contest's data is let go of.
// The contest source is closed first: the thread that lives on must find it closed.
bool StopSetupThread() {
    g_startPending = false;
    if (!g_windowThread) return EarlierThreadStillRuns();
    HANDLE thread = g_windowThread.get();
    g_stopRequested.store(true);
    CloseContestSource();
    if (HWND setup = g_setupWindow.load()) PostMessageW(setup, WM_NULL, 0, 0);
    PostThreadMessageW(g_windowThreadId, WM_NULL, 0, 0);

    bool leftBehind = false;
    const auto deadline = Clock::now() + kIdleStopLimit;
    for (;;) {
        ThreadLife life = g_threadLife.load();
        if (life == ThreadLife::finished || life == ThreadLife::abandoned) break;
        if (life == ThreadLife::starting || life == ThreadLife::conversing) {
            if (g_threadLife.compare_exchange_strong(life, ThreadLife::abandoned)) {
                HandOverReference();
                leftBehind = true;
                break;
            }
            continue;
        }
        if (life == ThreadLife::idle) {
            g_threadLife.compare_exchange_strong(life, ThreadLife::closing);
            continue;
        }
        // Closing: the thread needs only the processor and the display to finish.
        if (Clock::now() >= deadline) {
            if (g_threadLife.compare_exchange_strong(life, ThreadLife::abandoned)) {
                HandOverReference();
                leftBehind = true;
                break;
            }
            continue;
        }
        Sleep(1);
    }
    if (!leftBehind) WaitUntilOutsideLibrary(thread);
    g_windowThread.reset();
    return leftBehind;
}
