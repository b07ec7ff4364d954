#pragma once

#include <string>

// A fresh folder made the current directory for the life of the object (the plug-in resolves its
// files against the current directory), with a "Plugins" subfolder. Removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_previous;
};
