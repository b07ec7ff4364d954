#include "reports/html_text.h"

std::string HtmlEscaped(std::string_view text) {
    std::string html;
    html.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': html += "&amp;"; break;
            case '<': html += "&lt;"; break;
            case '>': html += "&gt;"; break;
            case '"': html += "&quot;"; break;
            case '\'': html += "&#39;"; break;
            default:
                // A control byte shows as nothing a reader could see, or as garbage.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') html += c;
        }
    }
    return html;
}
