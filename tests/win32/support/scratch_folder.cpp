#include "support/scratch_folder.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

ScratchFolder::ScratchFolder() {
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    m_previous = previous;
    static int counter = 0;
    auto folder = std::filesystem::temp_directory_path() /
                  ("stats_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Plugins");
    m_path = folder.string();
    SetCurrentDirectoryA(m_path.c_str());
}

ScratchFolder::~ScratchFolder() {
    SetCurrentDirectoryA(m_previous.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
