#include "support/dll_under_test.h"

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

}  // namespace

DllUnderTest::DllUnderTest() {
    std::string path = ProgramFolder() + "\\Stats.dll";
    m_module = LoadLibraryA(path.c_str());
    if (!m_module) throw std::runtime_error("cannot load " + path);
    Bind(m_module, setVersion, "setVersion");
    Bind(m_module, getNumberOfSets, "GetNumberOfSets");
    Bind(m_module, getSetName, "GetSetName");
    Bind(m_module, setupSet, "SetupSet0");
    Bind(m_module, resetStats, "ResetStats0");
    Bind(m_module, addData, "AddData0");
    Bind(m_module, removeData, "RemoveData0");
    Bind(m_module, checkCall, "CheckCall0");
    Bind(m_module, getResult, "GetResult0");
    Bind(m_module, getExchgCount, "GetExchgCount0");
    Bind(m_module, isValidExchg, "IsValidExchg0");
}

DllUnderTest::~DllUnderTest() {
    if (m_module) FreeLibrary(m_module);
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
