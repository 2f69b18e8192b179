// ComObject's QueryInterface and reference count, and CComPtr's ownership rules.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include "platform/win/ComPtr.h"

namespace {

class CTestObject final
    : public ComObject<CTestObject, ComItf<IPersistStream, &IID_IPersistStream, &IID_IPersist>,
                       ComItf<IClassFactory, &IID_IClassFactory>> {
  public:
    explicit CTestObject(bool* deleted) : m_deleted(deleted) {}
    ~CTestObject() { *m_deleted = true; }

    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  private:
    bool* m_deleted;
};

TEST(ComObjectTest, AnswersTheListedIidsWithTheRightInterface) {
    bool deleted = false;
    CComPtr<IPersistStream> stream(new CTestObject(&deleted));
    IPersistStream* expectedStream = stream.get();
    IClassFactory* expectedFactory = static_cast<CTestObject*>(expectedStream);

    struct Case {
        const IID* iid;
        const char* name;
        void* expected;
    };
    const Case cases[] = {
        {&IID_IUnknown, "IUnknown", expectedStream},
        {&IID_IPersistStream, "IPersistStream", expectedStream},
        {&IID_IPersist, "IPersist (base)", expectedStream},
        {&IID_IClassFactory, "IClassFactory", expectedFactory},
        {&IID_IDispatch, "IDispatch (not listed)", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(1);
        const HRESULT hr = stream->QueryInterface(*c.iid, &out);
        EXPECT_EQ(hr, c.expected ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(out, c.expected);
        if (out)
            static_cast<IUnknown*>(out)->Release();
    }
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_FALSE(deleted);
}

TEST(ComObjectTest, LastReleaseDeletesAndCComPtrKeepsOneReferenceEach) {
    bool deleted = false;
    CComPtr<IPersistStream> first(new CTestObject(&deleted));
    {
        CComPtr<IPersistStream> second;
        second.CopyFrom(first.get());  // a reference of its own
        EXPECT_EQ(first->AddRef(), 3u);
        EXPECT_EQ(first->Release(), 2u);
        CComPtr<IPersistStream> moved(std::move(second));
        EXPECT_FALSE(second);
        EXPECT_TRUE(moved);
    }
    EXPECT_FALSE(deleted);

    CComPtr<IClassFactory> factory;
    ASSERT_EQ(first->QueryInterface(IID_IClassFactory, factory.Out()), S_OK);
    first.Release();
    EXPECT_FALSE(deleted);  // the factory interface still holds the object
    IClassFactory* raw = factory.Detach();
    EXPECT_FALSE(deleted);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_TRUE(deleted);
}

}  // namespace
