#pragma once

#include <windows.h>

#include <string>

#include "boundary/stats_api.h"

// Stats.dll loaded from beside the test program, with every export bound by its plain name as the
// host binds them. Loading and unloading run the library's attach and detach.
class DllUnderTest {
public:
    enum class Names { plain, decorated };

    explicit DllUnderTest(Names names = Names::plain);
    ~DllUnderTest();
    DllUnderTest(const DllUnderTest&) = delete;
    DllUnderTest& operator=(const DllUnderTest&) = delete;

    HMODULE module() const { return m_module; }
    // Unloads the library now (the destructor then does nothing).
    void unload();
    FARPROC symbol(const char* name) const;  // nullptr when not exported

    stats_api::SetVersion setVersion{};
    stats_api::GetNumberOfSets getNumberOfSets{};
    stats_api::GetSetName getSetName{};
    stats_api::SetupSet0 setupSet{};
    stats_api::ResetStats0 resetStats{};
    stats_api::AddData0 addData{};
    stats_api::RemoveData0 removeData{};
    stats_api::CheckCallFunc0 checkCall{};
    stats_api::GetResult0 getResult{};
    stats_api::GetExchgCount0 getExchgCount{};
    stats_api::IsValidExchg0 isValidExchg{};

    // Convenience wrappers over the bound exports.
    int reset(const char* myCall = "UT1AA", int cabrillo = 0, const char* ownPrefix = "UR",
              const char* iniPrefix = "");
    int add(const stats_api::Qso& qso) { return stats_api::CallWithQso(addData, qso); }
    int remove(const stats_api::Qso& qso) { return stats_api::CallWithQso(removeData, qso); }
    int check(const char* call, const char* mode, const char* country, const char* band,
              const char* band2) {
        return stats_api::CallCheck(checkCall, call, mode, country, band, band2);
    }

private:
    HMODULE m_module = nullptr;
};

// Folder that holds this test program (and Stats.dll).
std::string ProgramFolder();

// The whole content of a file, or "<missing>" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);

// The contest dates the tests use: 5 May 2017 to 6 May 2017.
OleDateTime ContestStart();
OleDateTime ContestEnd();
