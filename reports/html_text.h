#pragma once

#include <string>
#include <string_view>

// Text as it must stand in an HTML page to be shown as itself: "&", "<", ">", '"' and "'" become
// character references; control bytes other than tab and line ends are dropped; everything else is
// kept byte for byte.
std::string HtmlEscaped(std::string_view text);
