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

std::string TextOf(const VARIANT& value) {
    if (value.vt == VT_BSTR) return Narrow(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return {};
    return TextOf(converted.value());
}

}  // namespace ole
