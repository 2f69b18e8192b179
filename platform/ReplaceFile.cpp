#include "platform/ReplaceFile.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>

namespace {

char Separator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

// 32 bits for a folder name, different on each call: a counter mixed (splitmix64) with a seed
// drawn once from the system's random source, so that saves of several processes into one folder
// rarely try the same name. A name that is taken costs one more try, nothing else.
uint32_t NextNameBits() {
    static uint64_t seed = 0;
    static std::once_flag seeded;
    std::call_once(seeded, [] {
        try {
            std::random_device device;
            seed = (static_cast<uint64_t>(device()) << 32) ^ device();
        } catch (...) {
        }
        seed ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    });
    static std::atomic<uint64_t> counter{0};
    uint64_t z = seed + 0x9E3779B97F4A7C15ull * (counter.fetch_add(1) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>(z ^ (z >> 31));
}

// "new" and the target's extension (one of at most eight characters), so that a program given
// the temporary file (a signer) sees the kind of file it is.
std::string TempName(const std::string& target) {
    const std::string name = target.substr(PathNameStart(target));
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > 9)
        return "new";
    return "new" + name.substr(dot);
}

}  // namespace

CReplaceFile::CReplaceFile(const std::string& target, LinkRule links)
    : m_strTarget(links == followLinks ? CFile::FollowLinks(target) : target) {}

CReplaceFile::~CReplaceFile() {
    if (!m_bCommitted && !m_strTemp.empty()) {
        try {
            if (CFile::Exists(m_strTemp))
                CFile::Remove(m_strTemp);
        } catch (const CFileException&) {
        }
    }
    m_fileGuard.reset();
    if (!m_strFolder.empty())
        CFile::RemoveEmptyFolder(m_strFolder);
}

void CReplaceFile::MakeFolder() {
    const std::string where = m_strTarget.substr(0, PathNameStart(m_strTarget));
    static const char kHex[] = "0123456789abcdef";
    // The person asked for the target, so a failure names the target.
    try {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const uint32_t bits = NextNameBits();
            std::string name = kPrivateFolderPrefix;
            for (size_t i = 0; i < kPrivateFolderDigits; ++i)
                name += kHex[(bits >> (4 * (kPrivateFolderDigits - 1 - i))) & 15];
            if (CFile::CreatePrivateFolder(where + name)) {
                m_strFolder = where + name;
                m_folderGuard.reset(new CTempFileGuard(m_strFolder, CTempFileGuard::folder));
                m_strTemp = m_strFolder + Separator() + TempName(m_strTarget);
                return;
            }
        }
    } catch (CFileException& e) {
        e.m_strFileName = m_strTarget;
        throw;
    }
    throw CFileException(CFileException::accessDenied, m_strTarget);
}

void CReplaceFile::Reserve() {
    MakeFolder();
    // Whatever another program writes there is this save's: guarded like the save's own file.
    m_fileGuard.reset(new CTempFileGuard(m_strTemp));
}

void CReplaceFile::Create(CFile& file, unsigned share) {
    Reserve();
    try {
        // The folder is new and only this user's, so the name is free; OpenNew would still
        // refuse anything there rather than follow it.
        if (!file.OpenNew(m_strTemp, share))
            throw CFileException(CFileException::accessDenied, m_strTarget);
    } catch (CFileException& e) {
        e.m_strFileName = m_strTarget;
        throw;
    }
}

void CReplaceFile::Commit() {
    try {
        if (!CFile::IsLink(m_strTarget))
            CFile::CopyPermissions(m_strTarget, m_strTemp);
        CFile::Rename(m_strTemp, m_strTarget);
    } catch (CFileException& e) {
        e.m_strFileName = m_strTarget;
        throw;
    }
    m_bCommitted = true;
    m_fileGuard.reset();
    CFile::TakeFolderPermissions(m_strTarget);
    CFile::RemoveEmptyFolder(m_strFolder);
    m_folderGuard.reset();
    m_strFolder.clear();
}
