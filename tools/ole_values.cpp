#include "tools/ole_values.h"

namespace ole {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const wchar_t* text, int length) {
    if (!text) return {};
    if (length < 0) length = lstrlenW(text);
    if (length == 0) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

Bstr::Bstr(const std::string& text) {
    std::wstring wide = Widen(text);
    m_text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Variant::text() const {
    if (m_value.vt == VT_BSTR) return Narrow(m_value.bstrVal, static_cast<int>(SysStringLen(m_value.bstrVal)));
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&m_value), 0, VT_BSTR))) return {};
    return converted.text();
}

}  // namespace ole
