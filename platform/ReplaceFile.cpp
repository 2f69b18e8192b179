#include "platform/ReplaceFile.h"

#include <cstdint>
#include <vector>

#include "platform/Folder.h"

namespace {

const char kTempPrefix[] = "~pv";
const char kTempSuffix[] = ".tmp";
const size_t kTempDigits = 8;

// Where the folder part of a path ends (0 when the path is a bare name).
size_t NameStart(const std::string& path) {
#ifdef _WIN32
    const size_t sep = path.find_last_of("\\/:");
#else
    const size_t sep = path.find_last_of("\\/");
#endif
    return sep == std::string::npos ? 0 : sep + 1;
}

}  // namespace

std::string ReplaceFileTempPath(const std::string& target, unsigned attempt) {
    // Each target starts at its own name (FNV-1a of its path), so that several files saved into
    // one folder at once rarely try the same names; later attempts step through the others.
    uint32_t hash = 2166136261u;
    for (const char c : target) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    hash += attempt * 0x9E3779B9u;
    static const char kHex[] = "0123456789abcdef";
    std::string name = kTempPrefix;
    for (size_t i = 0; i < kTempDigits; ++i)
        name += kHex[(hash >> (4 * (kTempDigits - 1 - i))) & 15];
    name += kTempSuffix;
    return target.substr(0, NameStart(target)) + name;
}

bool IsReplaceFileTempName(const std::string& name) {
    const size_t prefix = sizeof kTempPrefix - 1, suffix = sizeof kTempSuffix - 1;
    if (name.size() != prefix + kTempDigits + suffix)
        return false;
    if (name.compare(0, prefix, kTempPrefix) != 0 ||
        name.compare(prefix + kTempDigits, suffix, kTempSuffix) != 0)
        return false;
    for (size_t i = prefix; i < prefix + kTempDigits; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

int SweepReplaceFileTemps(const std::string& target) {
    const std::string folder = target.substr(0, NameStart(target));
    std::vector<std::string> stale;
    EnumerateFolder(folder.empty() ? "." : folder, [&](const FolderEntry& e) {
        if (!e.bFolder && !e.bNoAnsiName && IsReplaceFileTempName(e.strName))
            stale.push_back(e.strName);
    });
    int removed = 0;
    for (const std::string& name : stale)
        removed += CFile::RemoveIfUnused(folder + name) ? 1 : 0;
    return removed;
}

CReplaceFile::CReplaceFile(const std::string& target, LinkRule links)
    : m_strTarget(links == followLinks ? CFile::FollowLinks(target) : target) {}

CReplaceFile::~CReplaceFile() {
    if (m_bCommitted || m_strTemp.empty())
        return;
    m_hold.reset();
    try {
        CFile::Remove(m_strTemp);
    } catch (const CFileException&) {
    }
}

void CReplaceFile::Create(CFile& file, unsigned share) {
    // Names left by an earlier run that was killed, or planted by someone else, are passed by:
    // OpenNew refuses every name already in use, links included. The person asked for the
    // target, so a failure names the target, never the temporary file. Those left by a killed
    // run go first, unless another process is writing them.
    SweepReplaceFileTemps(m_strTarget);
    try {
        for (unsigned n = 0; n < 1000; ++n) {
            const std::string candidate = ReplaceFileTempPath(m_strTarget, n);
            if (file.OpenNew(candidate, share)) {
                std::unique_ptr<CFileHold> hold(new CFileHold(file));
                if (hold->IsLost()) {  // swept by another save before the lock: next name
                    file.Abort();
                    continue;
                }
                m_hold = std::move(hold);
                m_strTemp = candidate;
                m_guard.reset(new CTempFileGuard(m_strTemp));
                return;
            }
        }
    } catch (CFileException& e) {
        e.m_strFileName = m_strTarget;
        throw;
    }
    throw CFileException(CFileException::accessDenied, m_strTarget);
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
    m_guard.reset();
    m_hold.reset();
}
