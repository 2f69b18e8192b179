// Linux half of the folder listing: readdir, then the names put in NTFS order so that the pages
// of a book come out as on Windows.
#include "platform/Folder.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <cstdlib>
#include <vector>

#include "platform/FolderOrder.h"
#include "platform/Text.h"

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

struct Listed {
    std::vector<uint16_t> key;
    FolderEntry entry;
};

std::string RealPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        return std::string();
    std::string out(resolved);
    free(resolved);
    return out;
}

// True when target is folder itself or one of the folders above it (both resolved paths).
bool IsSelfOrAncestor(const std::string& target, const std::string& folder) {
    if (target.empty() || folder.empty())
        return false;
    if (target == "/" || target == folder)
        return true;
    return folder.size() > target.size() && folder.compare(0, target.size(), target) == 0 &&
           folder[target.size()] == '/';
}

// The name with "?" for every character that Windows-1252 cannot write.
std::string AnsiForShowing(const std::string& utf8) {
    std::string out;
    for (uint32_t cp : DecodeUtf8Lenient(utf8)) {
        const int b = UnicodeToCp1252(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

}  // namespace

bool EnumerateFolder(const std::string& folderPath, const FolderCallback& onEntry) {
    std::string native = NativePath(folderPath);
    if (native.empty())
        native = "/";
    std::unique_ptr<DIR, DirCloser> dir(opendir(native.c_str()));
    if (!dir)
        return false;
    const int dfd = dirfd(dir.get());

    std::vector<Listed> listed;
    // The resolved paths of this folder and of every folder on the path to it, made lazily, only
    // when a link to a folder turns up. A link that leads to one of them, or above one, would
    // take the scan round in a circle: two sibling folders linking to each other are reached
    // again through every link, and the listing would grow without end.
    std::vector<std::string> realChain;
    while (const dirent* de = readdir(dir.get())) {
        const std::string name(de->d_name);
        if (name == "." || name == "..")
            continue;

        bool isFolder = de->d_type == DT_DIR;
        struct stat st;
        bool known = false;
        if (de->d_type == DT_LNK || de->d_type == DT_UNKNOWN) {
            // A link is followed; one that leads nowhere is listed as a file, as Windows lists
            // a dangling link, and fails only when it is opened.
            known = fstatat(dfd, de->d_name, &st, 0) == 0;
            isFolder = known && S_ISDIR(st.st_mode);
            if (isFolder && de->d_type == DT_LNK) {
                if (realChain.empty()) {
                    for (size_t end = native.find('/', 1); end != std::string::npos;
                         end = native.find('/', end + 1))
                        realChain.push_back(RealPath(native.substr(0, end)));
                    realChain.push_back(RealPath(native));
                }
                const std::string target = RealPath(native + "/" + name);
                bool circle = false;
                for (const std::string& real : realChain)
                    circle = circle || IsSelfOrAncestor(target, real);
                if (circle)
                    continue;
            }
        }

        Listed item;
        if (!isFolder && (known || fstatat(dfd, de->d_name, &st, 0) == 0))
            item.entry.qwLength = static_cast<uint64_t>(st.st_size);
        if (isFolder && (known || fstatat(dfd, de->d_name, &st, 0) == 0)) {
            item.entry.bHasIdentity = true;
            item.entry.identity.qwVolume = static_cast<uint64_t>(st.st_dev);
            item.entry.identity.qwIndex = static_cast<uint64_t>(st.st_ino);
        }
        item.key = NtfsSortKey(name);
        item.entry.bFolder = isFolder;
        item.entry.bHidden = name[0] == '.';
        item.entry.strNativeName = name;
        if (!AnsiFromUtf8(name, &item.entry.strName)) {
            item.entry.bNoAnsiName = true;
            item.entry.strName = AnsiForShowing(name);
        }
        listed.push_back(std::move(item));
    }
    dir.reset();

    // Equal keys (names differing only in case, possible on Linux) go in byte order, so that the
    // listing does not depend on the order readdir gives.
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return a.entry.strNativeName < b.entry.strNativeName;
    });
    for (const Listed& item : listed)
        onEntry(item.entry);
    return true;
}

CFileException FolderListError(const std::string& folderPath) {
    std::string native = NativePath(folderPath);
    if (native.empty())
        native = "/";
    std::unique_ptr<DIR, DirCloser> dir(opendir(native.c_str()));
    const int err = dir ? EIO : errno;
    return CFileException(CFileException::ErrnoToCause(err), folderPath, err);
}
