// Small RAII helpers for COM pointers and text conversion in the viewer's Win32 code.
#pragma once

#include <windows.h>

#include <string>

// Holds one reference to a COM interface and releases it.
template <class T>
class CComPtr {
  public:
    CComPtr() = default;
    ~CComPtr() { Release(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    void Release() {
        if (m_p) {
            m_p->Release();
            m_p = nullptr;
        }
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** operator&() {
        Release();
        return &m_p;
    }
    void** Out() { return reinterpret_cast<void**>(operator&()); }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

  private:
    T* m_p = nullptr;
};

// ANSI (the system code page) and UTF-8 text to and from UTF-16.
std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const wchar_t* text);
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
