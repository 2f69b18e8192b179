// Windows half of the private folders of safe saves: a folder whose access list admits the
// current user alone, and the access list a file gets when it leaves one.
//
// A file created in a private folder inherits the folder's one entry (the user, full access), and
// a move keeps a file's access list as it is. So once a save has moved its file into place, the
// file is given what a file created in its new folder would have had: the entries that folder
// hands down to files (what the system computes at creation: CREATOR OWNER becomes the user,
// generic rights become file rights), or, where it hands down none, the user's default list.
#include "platform/File.h"

#include <windows.h>

#include <aclapi.h>

#include <cstring>
#include <vector>

#include "platform/win/ScopedWin.h"

namespace {

// What the process's token says of class (TokenUser, TokenPrimaryGroup, TokenDefaultDacl), or
// nothing when it cannot be read.
std::vector<BYTE> TokenInfo(TOKEN_INFORMATION_CLASS what) {
    HANDLE raw = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &raw) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return {};
    ScopedHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), what, nullptr, 0, &size);
    std::vector<BYTE> info(size);
    if (size == 0 || !GetTokenInformation(token.get(), what, info.data(), size, &size))
        return {};
    return info;
}

struct LocalFreer {
    void* p = nullptr;
    ~LocalFreer() {
        if (p)
            LocalFree(p);
    }
};

const SID_IDENTIFIER_AUTHORITY kCreatorAuthority = SECURITY_CREATOR_SID_AUTHORITY;

// True when sid is the well-known CREATOR OWNER (rid 0) or CREATOR GROUP (rid 1) placeholder.
bool IsCreatorSid(PSID sid, DWORD rid) {
    return IsValidSid(sid) && *GetSidSubAuthorityCount(sid) == 1 &&
           std::memcmp(GetSidIdentifierAuthority(sid), &kCreatorAuthority,
                       sizeof kCreatorAuthority) == 0 &&
           *GetSidSubAuthority(sid, 0) == rid;
}

// The entries a file created in a folder whose list is folderDacl inherits, or false when the
// folder hands none down to files.
bool InheritedFileAcl(PACL folderDacl, std::vector<BYTE>* acl) {
    if (!folderDacl)
        return false;
    std::vector<BYTE> user = TokenInfo(TokenUser);
    std::vector<BYTE> group = TokenInfo(TokenPrimaryGroup);
    PSID userSid = user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    PSID groupSid = group.empty()
                        ? nullptr
                        : reinterpret_cast<TOKEN_PRIMARY_GROUP*>(group.data())->PrimaryGroup;
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    // Each entry copied with its flags made "inherited"; the access list is built twice over:
    // sizes first, then the entries themselves.
    std::vector<std::vector<BYTE>> entries;
    DWORD total = sizeof(ACL);
    for (DWORD i = 0; i < folderDacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(folderDacl, i, &raw))
            continue;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(raw);
        if (!(header->AceFlags & OBJECT_INHERIT_ACE))
            continue;
        const bool simple =
            header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE;
        std::vector<BYTE> entry;
        if (simple) {
            // The same layout for allowed and denied entries: header, mask, the SID.
            const ACCESS_ALLOWED_ACE* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
            PSID sid = const_cast<DWORD*>(&ace->SidStart);
            if (IsCreatorSid(sid, SECURITY_CREATOR_OWNER_RID) && userSid)
                sid = userSid;
            else if (IsCreatorSid(sid, SECURITY_CREATOR_GROUP_RID) && groupSid)
                sid = groupSid;
            const DWORD sidLength = GetLengthSid(sid);
            entry.resize(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sidLength);
            ACCESS_ALLOWED_ACE* copy = reinterpret_cast<ACCESS_ALLOWED_ACE*>(entry.data());
            copy->Header.AceType = header->AceType;
            copy->Header.AceSize = static_cast<WORD>(entry.size());
            copy->Mask = ace->Mask;
            MapGenericMask(&copy->Mask, &mapping);
            CopySid(sidLength, &copy->SidStart, sid);
        } else {
            const BYTE* bytes = static_cast<const BYTE*>(raw);
            entry.assign(bytes, bytes + header->AceSize);
        }
        reinterpret_cast<ACE_HEADER*>(entry.data())->AceFlags = static_cast<BYTE>(
            INHERITED_ACE |
            (header->AceFlags & (SUCCESSFUL_ACCESS_ACE_FLAG | FAILED_ACCESS_ACE_FLAG)));
        total += static_cast<DWORD>(entry.size());
        entries.push_back(std::move(entry));
    }
    if (entries.empty())
        return false;
    acl->assign(total, 0);
    PACL list = reinterpret_cast<PACL>(acl->data());
    if (!InitializeAcl(list, total, ACL_REVISION))
        return false;
    for (std::vector<BYTE>& entry : entries) {
        if (!AddAce(list, ACL_REVISION, MAXDWORD, entry.data(), static_cast<DWORD>(entry.size())))
            return false;
    }
    return true;
}

}  // namespace

bool CFile::CreatePrivateFolder(const std::string& path) {
    std::vector<BYTE> user = TokenInfo(TokenUser);
    if (user.empty())
        throw CFileException(CFileException::accessDenied, path, static_cast<long>(GetLastError()));
    PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    // One entry: the user, full access, handed down to the files and folders made inside; the
    // list is protected, so nothing is inherited from the folder above.
    std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    PACL list = reinterpret_cast<PACL>(acl.data());
    SECURITY_DESCRIPTOR sd;
    if (!InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION) ||
        !AddAccessAllowedAceEx(list, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&sd, TRUE, list, FALSE) ||
        !SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        throw CFileException(CFileException::accessDenied, path, static_cast<long>(GetLastError()));
    SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, FALSE};
    if (!CreateDirectoryA(path.c_str(), &sa)) {
        const DWORD err = GetLastError();
        if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS)
            return false;
        throw CFileException(CFileException::OsErrorToCause(err), path, static_cast<long>(err));
    }
    // Hidden, so that a scan of the folder it sits in passes it by should the process be ended
    // before it removes the folder.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return true;
}

bool CFile::RemoveEmptyFolder(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
}

void CFile::TakeFolderPermissions(const std::string& path) {
    const size_t sep = path.find_last_of("\\/:");
    std::string folder = sep == std::string::npos ? "." : path.substr(0, sep + 1);
    if (folder.size() > 1 && folder.back() != ':' &&
        !(folder.size() == 3 && folder[1] == ':'))  // "C:\" keeps its backslash
        folder.pop_back();
    PACL folderDacl = nullptr;
    LocalFreer descriptor;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &folderDacl, nullptr, &descriptor.p) != ERROR_SUCCESS)
        return;
    std::vector<BYTE> acl;
    PACL list = nullptr;
    if (InheritedFileAcl(folderDacl, &acl)) {
        list = reinterpret_cast<PACL>(acl.data());
    } else {
        acl = TokenInfo(TokenDefaultDacl);
        if (acl.empty())
            return;
        list = reinterpret_cast<TOKEN_DEFAULT_DACL*>(acl.data())->DefaultDacl;
        if (!list)
            return;
    }
    SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, list, nullptr);
}
