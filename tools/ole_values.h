#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>

// Owning wrappers of the automation string and variant, and the ANSI <-> UTF-16 conversions the
// host's texts go through.
namespace ole {

std::wstring Widen(const std::string& text);
std::string Narrow(const wchar_t* text, int length = -1);

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::string& text);
    ~Bstr() { SysFreeString(m_text); }
    Bstr(Bstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(m_text, other.m_text);
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return m_text; }
    BSTR release() { return std::exchange(m_text, nullptr); }

private:
    BSTR m_text = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &m_value; }
    const VARIANT& operator*() const { return m_value; }
    const VARIANT* operator->() const { return &m_value; }
    // The value as text, converted like an automation client would; "" for null, empty or a value
    // that has no text form.
    std::string text() const;

private:
    VARIANT m_value;
};

}  // namespace ole
