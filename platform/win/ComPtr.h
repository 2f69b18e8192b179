// COM helpers: CComPtr holds one reference to an interface; ComObject implements IUnknown once
// for every COM object the programs define.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <utility>

// Holds one reference to a COM interface and releases it. Move-only: a second reference is
// taken explicitly (CopyFrom), so that no reference is ever taken or dropped by accident.
template <class T>
class CComPtr {
  public:
    CComPtr() = default;
    // Adopts a reference the caller already holds.
    explicit CComPtr(T* p) : m_p(p) {}
    ~CComPtr() { Release(); }
    CComPtr(CComPtr&& other) noexcept : m_p(other.Detach()) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != std::addressof(other)) {
            Release();
            m_p = other.Detach();
        }
        return *this;
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    void Release() {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    // Takes a new reference to p (AddRef) and drops what was held.
    void CopyFrom(T* p) {
        if (p)
            p->AddRef();
        Release();
        m_p = p;
    }
    // Gives up the reference without releasing it.
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** operator&() {
        Release();
        return &m_p;
    }
    void** Out() { return reinterpret_cast<void**>(operator&()); }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    T* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

  private:
    T* m_p = nullptr;
};

// One interface a ComObject implements, with every IID that QueryInterface answers with it
// (its own and those of the interfaces it derives from, such as IOleWindow for IOleInPlaceSite).
template <class Itf, const IID*... Iids>
struct ComItf {
    using Interface = Itf;
    static bool Matches(REFIID riid) { return (IsEqualIID(riid, *Iids) || ...); }
};

// IUnknown for Derived, which implements the listed interfaces:
//   class CSite final : public ComObject<CSite, ComItf<IOleClientSite, &IID_IOleClientSite>,
//                                               ComItf<IDispatch, &IID_IDispatch>> { ... };
// IID_IUnknown is answered with the first interface. The object starts with one reference,
// owned by its creator, and deletes itself when the count falls to zero; the count is atomic,
// since COM may call from other threads.
template <class Derived, class... Entries>
class ComObject : public Entries::Interface... {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<typename First<Entries...>::Interface*>(this);
        } else {
            // The first entry that lists riid answers.
            (void)((Entries::Matches(riid) &&
                    (*ppv = static_cast<typename Entries::Interface*>(this)) != nullptr) ||
                   ...);
        }
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_ref));
    }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = InterlockedDecrement(&m_ref);
        if (n == 0)
            delete static_cast<Derived*>(this);
        return static_cast<ULONG>(n);
    }

  protected:
    ComObject() = default;
    ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

  private:
    template <class E, class...>
    struct First {
        using Interface = typename E::Interface;
    };

    LONG m_ref = 1;
};
