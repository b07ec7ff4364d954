#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct PlannedOutput {
    std::filesystem::path path;
    std::string content;
};

// Writes every output whole or none of them: each goes to a side file first and is renamed into
// place only when all side files are written. Without `overwrite` an output that exists already
// stops everything before a byte is written. On failure `error` tells why.
bool WriteOutputsWhole(const std::vector<PlannedOutput>& outputs, bool overwrite, std::string& error);
