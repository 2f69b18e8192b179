// RAII owners for the Windows objects that must be closed by hand: kernel handles, GDI objects,
// registry keys, critical sections, OLE initialisation and device contexts. Each is move-only;
// get() lends the object, release() gives up ownership, reset() closes what is held.
#pragma once

#include <windows.h>

#include <utility>

// Shared shape of the owners: Traits::Invalid() is the empty value, Traits::Close(v) frees one.
template <class Traits>
class ScopedWinObject {
  public:
    using Value = typename Traits::Value;

    ScopedWinObject() = default;
    explicit ScopedWinObject(Value v) : m_v(v) {}
    ~ScopedWinObject() { reset(); }
    ScopedWinObject(ScopedWinObject&& other) noexcept : m_v(other.release()) {}
    ScopedWinObject& operator=(ScopedWinObject&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ScopedWinObject(const ScopedWinObject&) = delete;
    ScopedWinObject& operator=(const ScopedWinObject&) = delete;

    Value get() const { return m_v; }
    bool valid() const { return Traits::IsValid(m_v); }
    explicit operator bool() const { return valid(); }
    // Gives up ownership without closing.
    Value release() {
        const Value v = m_v;
        m_v = Traits::Invalid();
        return v;
    }
    // Closes what is held (if anything) and takes v.
    void reset(Value v = Traits::Invalid()) {
        if (Traits::IsValid(m_v) && m_v != v)
            Traits::Close(m_v);
        m_v = v;
    }

  private:
    Value m_v = Traits::Invalid();
};

struct HandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    // CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE, most other calls as
    // NULL: both mean "nothing held".
    static bool IsValid(Value v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(Value v) { CloseHandle(v); }
};
using ScopedHandle = ScopedWinObject<HandleTraits>;

// A search handle of FindFirstFile, closed with FindClose.
struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Value v) { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(Value v) { FindClose(v); }
};
using ScopedFindHandle = ScopedWinObject<FindHandleTraits>;

struct HKeyTraits {
    using Value = HKEY;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { RegCloseKey(v); }
};
using ScopedHKey = ScopedWinObject<HKeyTraits>;

template <class T>
struct GdiObjTraits {
    using Value = T;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { DeleteObject(v); }
};
template <class T>
using ScopedGdiObj = ScopedWinObject<GdiObjTraits<T>>;

// A memory device context of CreateCompatibleDC, freed with DeleteDC.
struct HdcTraits {
    using Value = HDC;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value v) { return v != nullptr; }
    static void Close(Value v) { DeleteDC(v); }
};
using ScopedHdc = ScopedWinObject<HdcTraits>;

// A window's or the screen's device context of GetDC, given back with ReleaseDC.
class ScopedGetDC {
  public:
    explicit ScopedGetDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(GetDC(hwnd)) {}
    ~ScopedGetDC() {
        if (m_hdc)
            ReleaseDC(m_hwnd, m_hdc);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    HDC get() const { return m_hdc; }

  private:
    HWND m_hwnd;
    HDC m_hdc;
};

// Selects an object into a device context and puts the old one back at the end of the scope.
class ScopedSelect {
  public:
    ScopedSelect(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(SelectObject(hdc, obj)) {}
    ~ScopedSelect() { SelectObject(m_hdc, m_old); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// A critical section initialised at construction and deleted at destruction; not movable,
// since Windows keeps pointers to it while it is held.
class ScopedCritSec {
  public:
    ScopedCritSec() { InitializeCriticalSection(&m_cs); }
    ~ScopedCritSec() { DeleteCriticalSection(&m_cs); }
    ScopedCritSec(const ScopedCritSec&) = delete;
    ScopedCritSec& operator=(const ScopedCritSec&) = delete;
    CRITICAL_SECTION* get() { return &m_cs; }

  private:
    CRITICAL_SECTION m_cs;
};

// Holds a critical section for the lifetime of the object.
class CritSecLock {
  public:
    explicit CritSecLock(ScopedCritSec& cs) : m_cs(cs.get()) { EnterCriticalSection(m_cs); }
    ~CritSecLock() { LeaveCriticalSection(m_cs); }
    CritSecLock(const CritSecLock&) = delete;
    CritSecLock& operator=(const CritSecLock&) = delete;

  private:
    CRITICAL_SECTION* m_cs;
};

// OleInitialize for the lifetime of the object; OleUninitialize only when it succeeded
// (S_FALSE, "already initialised on this thread", also counts and must be balanced).
class ScopedOle {
  public:
    ScopedOle() : m_hr(OleInitialize(nullptr)) {}
    ~ScopedOle() {
        if (SUCCEEDED(m_hr))
            OleUninitialize();
    }
    ScopedOle(const ScopedOle&) = delete;
    ScopedOle& operator=(const ScopedOle&) = delete;
    HRESULT result() const { return m_hr; }
    bool ok() const { return SUCCEEDED(m_hr); }

  private:
    HRESULT m_hr;
};
