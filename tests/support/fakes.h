#pragma once

#include <functional>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_store.h"
#include "engine/platform.h"

enum class FileOp { open, read, write, rename };

// Files held in memory, with faults on cue. A call of the store is a sequence of operations as the
// real store makes them (read: open, read; append: open, write; replace: open, write, rename;
// filterLines: open, read, open, write, rename); any failing one makes the whole call fail and
// leaves the files as they were. The real store's own fallbacks are tested on real files.
class FakeFileStore : public FileStore {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;  // there, but every read fails
    std::set<std::string> locked;      // held by another program without sharing: every open fails
    std::map<FileOp, std::set<int>> failing;  // the ordinals (from 1) of the operations that fail
    std::map<FileOp, int> done;               // operations tried, by kind
    int writesBeforeFailure = -1;  // -1: never fail; else every write after that many fails
    int writes = 0;

    std::optional<std::string> read(const std::string& path) override {
        if (unreadable.count(path) || !opens(path) || fails(FileOp::read)) return std::nullopt;
        auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second;
    }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    bool replace(const std::string& path, std::string_view content) override {
        if (!opens(path) || failNext() || fails(FileOp::rename)) return false;
        files[path] = std::string(content);
        return true;
    }
    bool append(const std::string& path, std::string_view content) override {
        if (!opens(path) || failNext()) return false;
        files[path] += content;
        return true;
    }

private:
    bool fails(FileOp op) { return failing[op].count(++done[op]) != 0; }
    bool opens(const std::string& path) { return !fails(FileOp::open) && !locked.count(path); }
    bool failNext() {
        ++writes;
        return fails(FileOp::write) || (writesBeforeFailure >= 0 && writes > writesBeforeFailure);
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
