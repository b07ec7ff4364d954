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

// An owned interface pointer: released when it goes.
template <typename Interface>
class Ptr {
public:
    Ptr() = default;
    ~Ptr() {
        if (m_pointer) m_pointer->Release();
    }
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }
    // For functions that hand out a new reference; releases the one held before.
    Interface** put() {
        if (m_pointer) m_pointer->Release();
        m_pointer = nullptr;
        return &m_pointer;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    Interface* m_pointer = nullptr;
};

}  // namespace ole
