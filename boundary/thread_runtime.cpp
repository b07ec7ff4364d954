#include "boundary/thread_runtime.h"

#include <windows.h>

#include <array>

#include "windows/module.h"

// The threads runtime's own notification of a thread's end, as the loader calls it.
extern "C" const PIMAGE_TLS_CALLBACK __xl_f;

// libstdc++'s release of its emergency exception pool, meant for leak checkers at a process's end.
namespace __gnu_cxx {
void __freeres() noexcept;
}

// The library is linked with --wrap for the import of TlsAlloc (boundary/CMakeLists.txt): every
// call to it in the library, the runtimes' included, comes here, and the indexes are noted so
// that ReleaseRuntimeLeftovers can free them. The names are the linker's, with the target's
// leading underscore.
extern "C" DWORD(WINAPI* const RealTlsAlloc)() asm("___real__imp__TlsAlloc@0");
extern "C" DWORD(WINAPI* const WrappedTlsAlloc)() asm("___wrap__imp__TlsAlloc@0");

namespace {

// Written under the loader lock or by the one thread that first uses the threads runtime; the
// runtime takes one index for the life of the image.
std::array<DWORD, 4> g_notedIndexes{};
std::size_t g_notedCount = 0;

DWORD WINAPI NotedTlsAlloc() {
    const DWORD index = RealTlsAlloc();
    if (index != TLS_OUT_OF_INDEXES && g_notedCount < g_notedIndexes.size()) g_notedIndexes[g_notedCount++] = index;
    return index;
}

}  // namespace

DWORD(WINAPI* const WrappedTlsAlloc)() = &NotedTlsAlloc;

void ForgetThreadInRuntime() { __xl_f(PluginModule(), DLL_THREAD_DETACH, nullptr); }

void ReleaseRuntimeLeftovers() {
    // The threads runtime frees its spare thread records at its detach, which the loader may tell
    // it before the library's own detach gives back the unloading thread's record: once more now.
    __xl_f(PluginModule(), DLL_PROCESS_DETACH, nullptr);
    __gnu_cxx::__freeres();
    for (std::size_t i = 0; i < g_notedCount; ++i) TlsFree(g_notedIndexes[i]);
    g_notedCount = 0;
}
