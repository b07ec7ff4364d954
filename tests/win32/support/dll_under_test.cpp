#include "support/dll_under_test.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/"));
}

namespace {

template <typename Pointer>
void Bind(HMODULE module, Pointer& pointer, const char* name) {
    pointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!pointer) throw std::runtime_error(std::string("Stats.dll does not export ") + name);
}

// A copy whose window thread an unload had to leave behind stays mapped for that thread, and a
// load meanwhile attaches it again; only in the few instructions between that thread's teardown
// of the copy and its release does a load fail (ERROR_DLL_INIT_FAILED). A host that loads again
// then tries once more, as this does.
HMODULE LoadAfterAnyCopyLeftBehind(const std::string& path) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        if (HMODULE module = LoadLibraryA(path.c_str())) return module;
        const bool leftBehind = GetLastError() == ERROR_DLL_INIT_FAILED && GetModuleHandleA("Stats.dll");
        if (!leftBehind || std::chrono::steady_clock::now() >= giveUp) return nullptr;
        Sleep(10);
    }
}

}  // namespace

DllUnderTest::DllUnderTest(Names names) {
    std::string path = ProgramFolder() + "\\Stats.dll";
    m_module = LoadAfterAnyCopyLeftBehind(path);
    if (!m_module) throw std::runtime_error("cannot load " + path);
    const bool plain = names == Names::plain;
    Bind(m_module, setVersion, plain ? "setVersion" : "?setVersion@@YAKPBD@Z");
    Bind(m_module, getNumberOfSets, plain ? "GetNumberOfSets" : "?GetNumberOfSets@@YAHXZ");
    Bind(m_module, getSetName, plain ? "GetSetName" : "?GetSetName@@YAPBDH@Z");
    Bind(m_module, setupSet, plain ? "SetupSet0" : "?SetupSet0@@YAXXZ");
    Bind(m_module, resetStats,
         plain ? "ResetStats0" : "?ResetStats0@@YAHPBDH0PAVCOleDateTime@ATL@@10000000000HHHNN000@Z");
    Bind(m_module, addData,
         plain ? "AddData0" : "?AddData0@@YAHPBD0PAVCOleDateTime@ATL@@111II000000000000000HHHNN00000@Z");
    Bind(m_module, removeData,
         plain ? "RemoveData0" : "?RemoveData0@@YAHPBD0PAVCOleDateTime@ATL@@111II000000000000000HHHNN00000@Z");
    Bind(m_module, checkCall, plain ? "CheckCall0" : "?CheckCallFunc0@@YAHPBDII00000000000HHHNN0000000PAD1@Z");
    Bind(m_module, getResult, plain ? "GetResult0" : "?GetResult0@@YAPBDPAH@Z");
    Bind(m_module, getExchgCount, plain ? "GetExchgCount0" : "?StatsGetExchgCount0@@YAHPBD00@Z");
    Bind(m_module, isValidExchg, plain ? "IsValidExchg0" : "?StatsIsValidExchg0@@YAHPBD000HHH@Z");
}

DllUnderTest::~DllUnderTest() { unload(); }

void DllUnderTest::unload() {
    if (m_module) FreeLibrary(m_module);
    m_module = nullptr;
}

FARPROC DllUnderTest::symbol(const char* name) const { return GetProcAddress(m_module, name); }

int DllUnderTest::reset(const char* myCall, int cabrillo, const char* ownPrefix, const char* iniPrefix) {
    return stats_api::CallReset(resetStats, iniPrefix, cabrillo, myCall, ContestStart(), ContestEnd(),
                                ownPrefix);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<missing>";
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

OleDateTime ContestStart() { return MakeOleDate(2017, 5, 5); }
OleDateTime ContestEnd() { return MakeOleDate(2017, 5, 6); }
