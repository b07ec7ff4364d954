#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "checker/check_command.h"

// A folder of its own for each test, with a district list, in which zelk-check runs as a user
// would run it from there.

inline constexpr const char* kDistricts = "KI-01 Kyiv\r\nLV-13 Lviv\r\n";

struct Outcome {
    int exitCode;
    std::string out, err;
};

class CheckCommand : public testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("zelk-check-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                    testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
                    testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        write("zelk.txt", kDistricts);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path path(const std::string& name) const { return m_folder / name; }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    std::string read(const std::string& name) const {
        std::ifstream file(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    // Runs the program in the test's folder, as a user would from there.
    Outcome run(std::vector<std::string> args) const {
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(m_folder);
        args.insert(args.begin(), "zelk-check");
        std::vector<const char*> argv;
        for (const auto& arg : args) argv.push_back(arg.c_str());
        std::ostringstream out, err;
        const int code = ZelkCheckMain(static_cast<int>(argv.size()), argv.data(), out, err);
        std::filesystem::current_path(previous);
        return {code, out.str(), err.str()};
    }

    std::vector<std::string> filesIn(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path(folder))) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> filesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path m_folder;
};

