// The viewer carried as the running program's own resource 348/1.
#include "compiler/StubSource.h"

#include <windows.h>

bool CModuleStubSource::GetStub(const uint8_t** data, size_t* size) const {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(kViewerStubResourceId),
                               MAKEINTRESOURCEA(kViewerStubResourceType));
    if (!info)
        return false;
    const DWORD bytes = SizeofResource(module, info);
    HGLOBAL handle = LoadResource(module, info);
    if (!handle || bytes == 0)
        return false;
    const void* locked = LockResource(handle);
    if (!locked)
        return false;
    *data = static_cast<const uint8_t*>(locked);
    *size = bytes;
    return true;
}
