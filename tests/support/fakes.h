#pragma once

#include <functional>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_store.h"
#include "engine/platform.h"

// Files held in memory. Writes can be made to fail from the Nth one on, to check that nothing
// claims success and no half-written file remains.
class FakeFileStore : public FileStore {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;  // there, but every read fails
    int writesBeforeFailure = -1;  // -1: never fail
    int writes = 0;

    std::optional<std::string> read(const std::string& path) override {
        if (unreadable.count(path)) return std::nullopt;
        auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second;
    }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    bool replace(const std::string& path, std::string_view content) override {
        if (failNext()) return false;
        files[path] = std::string(content);
        return true;
    }
    bool append(const std::string& path, std::string_view content) override {
        if (failNext()) return false;
        files[path] += content;
        return true;
    }

private:
    bool failNext() {
        ++writes;
        return writesBeforeFailure >= 0 && writes > writesBeforeFailure;
    }
};

// The system's upper-casing in the Windows-1252 code page: ASCII, the accented letters from 0xE0
// on (not the division sign 0xF7) and the four letters whose capitals sit in 0x8A to 0x9F.
inline std::string Windows1252UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        const unsigned char byte = static_cast<unsigned char>(c);
        unsigned char to = byte;
        if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) to = byte - 0x20;
        if (byte == 0x9A || byte == 0x9C || byte == 0x9E) to = byte - 0x10;
        if (byte == 0xFF) to = 0x9F;
        c = static_cast<char>(to);
    }
    return upper;
}

// Settings, message boxes, file listing, window thread and header dialog, recorded for checks.
class FakePlatform : public Platform {
public:
    std::map<std::string, std::string> settings;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<std::string> listedFiles;
    std::vector<std::string> listPatterns;
    bool windowOpen = false;
    int threadStarts = 0;
    int refreshPosts = 0;
    int refreshesAskedWhileBusy = 0;
    int dialogRuns = 0;
    bool dialogAnswer = true;
    HeaderDialogValues dialogShown;
    std::function<void(HeaderDialogValues&)> dialogEdit;

    std::string readSetting(std::string_view key, std::string_view fallback) override {
        auto found = settings.find(std::string(key));
        return found == settings.end() ? std::string(fallback) : found->second;
    }
    void writeSetting(std::string_view key, std::string_view value) override {
        settings[std::string(key)] = std::string(value);
    }
    void showMessage(std::string_view text, std::string_view caption, MessageKind) override {
        messages.emplace_back(text, caption);
    }
    std::vector<std::string> listFiles(std::string_view pattern) override {
        listPatterns.emplace_back(pattern);
        return listedFiles;
    }
    bool setupWindowOpen() override { return windowOpen; }
    void startSetupThread() override {
        ++threadStarts;
        windowOpen = true;
    }
    void postRefresh() override { ++refreshPosts; }
    void refreshRequestedWhileBusy() override { ++refreshesAskedWhileBusy; }
    bool runHeaderDialog(HeaderDialogValues& values) override {
        ++dialogRuns;
        dialogShown = values;
        if (dialogEdit) dialogEdit(values);
        return dialogAnswer;
    }
};
