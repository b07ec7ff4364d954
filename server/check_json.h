#pragma once

#include <nlohmann/json.hpp>

#include "server/upload_check.h"

// The check as it is stored with a submission and given by the API.
nlohmann::json CheckJson(const UploadCheck& check);
UploadCheck CheckOfJson(const std::string& text);
UploadCheck CheckOfJson(const nlohmann::json& j);
