// Where the build gets the viewer program whose bytes start every e-book.
//
// The publisher and the Windows command line carry viewer.exe as their own resource (type 348,
// id 1); the Linux command line has the same bytes linked in; tests hand in whatever bytes they
// need. The build only copies the bytes, it never parses them.
#pragma once

#include <cstddef>
#include <cstdint>

class CStubSource {
  public:
    virtual ~CStubSource() = default;
    // Sets *data and *size to the viewer's bytes and returns true, or returns false when the
    // program carries no viewer. The bytes stay valid for the lifetime of the source.
    virtual bool GetStub(const uint8_t** data, size_t* size) const = 0;
};

// Bytes already in memory (linked into the program, or made by a test).
class CMemoryStubSource : public CStubSource {
  public:
    CMemoryStubSource(const void* data, size_t size)
        : m_pData(static_cast<const uint8_t*>(data)), m_size(size) {}
    bool GetStub(const uint8_t** data, size_t* size) const override {
        if (!m_pData || m_size == 0)
            return false;
        *data = m_pData;
        *size = m_size;
        return true;
    }

  private:
    const uint8_t* m_pData;
    size_t m_size;
};

#ifdef _WIN32
// The running program's own resource of type 348, id 1 (FindResourceA, SizeofResource,
// LoadResource, LockResource on the program's module).
class CModuleStubSource : public CStubSource {
  public:
    bool GetStub(const uint8_t** data, size_t* size) const override;
};
#endif

// The resource type and id under which a program carries the viewer.
enum : unsigned { kViewerStubResourceType = 348, kViewerStubResourceId = 1 };
