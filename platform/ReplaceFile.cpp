#include "platform/ReplaceFile.h"

CReplaceFile::CReplaceFile(const std::string& target, LinkRule links)
    : m_strTarget(links == followLinks ? CFile::FollowLinks(target) : target) {}

CReplaceFile::~CReplaceFile() {
    if (m_bCommitted || m_strTemp.empty())
        return;
    try {
        CFile::Remove(m_strTemp);
    } catch (const CFileException&) {
    }
}

void CReplaceFile::Create(CFile& file, unsigned share) {
    // Names left by an earlier run that was killed, or planted by someone else, are passed by:
    // OpenNew refuses every name already in use, links included.
    for (int n = 0; n < 1000; ++n) {
        const std::string candidate =
            m_strTarget + (n == 0 ? std::string() : std::to_string(n)) + ".~tmp";
        if (file.OpenNew(candidate, share)) {
            m_strTemp = candidate;
            m_guard.reset(new CTempFileGuard(m_strTemp));
            return;
        }
    }
    throw CFileException(CFileException::accessDenied, m_strTarget + ".~tmp");
}

void CReplaceFile::Commit() {
    if (!CFile::IsLink(m_strTarget))
        CFile::CopyPermissions(m_strTarget, m_strTemp);
    CFile::Rename(m_strTemp, m_strTarget);
    m_bCommitted = true;
    m_guard.reset();
}
