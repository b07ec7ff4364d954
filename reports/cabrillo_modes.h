#pragma once

#include <string_view>

// The two-letter Cabrillo mode of a logged mode name (exact comparison); "??" for any other name.
std::string_view CabrilloModeCode(std::string_view loggedMode);
