// Custom icon replacement.
//
// The executable is read in small pieces at offsets taken from its own headers (DOS header, PE32
// headers, section table, resource directories); the .ico file is read whole. Both are untrusted:
// every piece goes through CBoundedFile or FitsIn, which check offset + size against the length
// in 64-bit arithmetic before anything is read, so a crafted offset can neither wrap around nor
// reach past the end. The one write is further confined to the icon's own data entry inside the
// resource section, so a damaged executable can never have its headers or its appended resource
// store overwritten.
//
// Layouts (all little-endian): IMAGE_DOS_HEADER (e_lfanew at 60), the PE signature and
// IMAGE_FILE_HEADER (24 bytes) followed by the optional header's magic (PE32 for i386, PE32+ for
// x86-64: only the optional header's size differs for what is read here, and the section table's
// place comes from SizeOfOptionalHeader), IMAGE_SECTION_HEADER (40 bytes), IMAGE_RESOURCE_DIRECTORY
// (16 bytes, then its entries, named ones first), IMAGE_RESOURCE_DIRECTORY_ENTRY (8 bytes),
// IMAGE_RESOURCE_DATA_ENTRY (16 bytes), the group icon directory (6-byte header, 14-byte entries)
// and the .ico directory (6-byte header, 16-byte entries).
#include "compiler/IconReplace.h"

#include "format/BookLayout.h"
#include "format/StoreFormat.h"

#include <cstring>
#include <string>

#include "platform/ErrorReport.h"

const char kInvalidIconMessage[] =
    "Invalid or unsuitable .ico file. The icon file must contain 32x32 16-color image.";

static std::string CannotReplaceIconMessage(const std::string& exe, const char* reason) {
    return "Cannot replace icon of " + exe + ".\n" + reason;
}

namespace {

const uint16_t kRtIcon = 3;
const uint16_t kRtGroupIcon = 14;
const uint16_t kStubGroupIconId = 128;
const uint8_t kStubIconWidth = 32;
const uint32_t kSubdirectoryBit = 0x80000000u;
// An .ico file is a handful of small images; anything larger is not one, and is not read.
const uint64_t kMaxIconFileSize = 64u << 20;

// True when [offset, offset + count) lies within a buffer or file of the given size.
bool FitsIn(uint64_t size, uint64_t offset, uint64_t count) {
    return offset <= size && count <= size - offset;
}

// Reads pieces of an open file at absolute offsets, each checked against the file's length.
class CBoundedFile {
  public:
    explicit CBoundedFile(CFile& file) : m_file(file), m_qwLength(file.GetLength()) {}

    // False (nothing read) when the piece does not lie wholly within the file.
    bool ReadAt(uint64_t offset, void* buffer, uint32_t count) {
        if (!FitsIn(m_qwLength, offset, count))
            return false;
        m_file.Seek(static_cast<int64_t>(offset), CFile::begin);
        m_file.ReadExact(buffer, count);
        return true;
    }
    uint64_t Length() const { return m_qwLength; }

  private:
    CFile& m_file;
    uint64_t m_qwLength;
};

// The file offset of a directory or data entry at offset `rel` (low 31 bits of an OffsetToData)
// within the resource section.
uint64_t SectionOffset(const ResourceSection& section, uint32_t rel) {
    return static_cast<uint64_t>(section.dwOffset) + (rel & ~kSubdirectoryBit);
}

struct DirHeader {
    uint16_t wNamed = 0;
    uint16_t wIds = 0;
};

bool ReadDirHeader(CBoundedFile& file, const ResourceSection& section, uint32_t rel,
                   DirHeader* header) {
    uint8_t dir[16];
    if (!file.ReadAt(SectionOffset(section, rel), dir, sizeof dir))
        return false;
    header->wNamed = Le16At(dir, sizeof dir, 12);
    header->wIds = Le16At(dir, sizeof dir, 14);
    return true;
}

// Reads the entry at `index` of the directory at `rel` (0 = first entry, named entries first).
bool ReadDirEntry(CBoundedFile& file, const ResourceSection& section, uint32_t rel, uint32_t index,
                  uint32_t* name, uint32_t* target) {
    uint8_t entry[8];
    const uint64_t at = SectionOffset(section, rel) + 16 + 8ull * index;
    if (!file.ReadAt(at, entry, sizeof entry))
        return false;
    *name = Le32At(entry, sizeof entry, 0);
    *target = Le32At(entry, sizeof entry, 4);
    return true;
}

// Scans the ID entries of the directory at `rel` in order for `id` and returns the subdirectory
// it points to. An entry that points to data where a directory is expected is not followed.
bool FindSubdirectory(CBoundedFile& file, const ResourceSection& section, uint32_t rel, uint16_t id,
                      uint32_t* subdir) {
    DirHeader header;
    if (!ReadDirHeader(file, section, rel, &header))
        return false;
    for (uint32_t k = 0; k < header.wIds; ++k) {
        uint32_t name = 0;
        uint32_t target = 0;
        if (!ReadDirEntry(file, section, rel, header.wNamed + k, &name, &target))
            return false;
        if ((name & 0xFFFF) == id) {
            if (!(target & kSubdirectoryBit))
                return false;
            *subdir = target & ~kSubdirectoryBit;
            return true;
        }
    }
    return false;
}

struct DataEntry {
    uint64_t qwFileOffset = 0;  // where the resource's bytes lie in the file
    uint32_t dwSize = 0;
};

// Reads the IMAGE_RESOURCE_DATA_ENTRY at `rel` and converts its RVA to a file offset.
bool ReadDataEntry(CBoundedFile& file, const ResourceSection& section, uint32_t rel,
                   DataEntry* data) {
    uint8_t entry[16];
    if (!file.ReadAt(SectionOffset(section, rel), entry, sizeof entry))
        return false;
    const uint32_t rva = Le32At(entry, sizeof entry, 0);
    if (rva < section.dwRva)
        return false;
    data->qwFileOffset = static_cast<uint64_t>(rva - section.dwRva) + section.dwOffset;
    data->dwSize = Le32At(entry, sizeof entry, 4);
    return true;
}

}  // namespace

bool LocateResourceSection(CFile& file, ResourceSection* section) {
    CBoundedFile in(file);
    uint8_t dos[64];
    if (!in.ReadAt(0, dos, sizeof dos) || Le16At(dos, sizeof dos, 0) != 0x5A4D)
        return false;
    const uint32_t ntOffset = Le32At(dos, sizeof dos, 60);
    // The signature, the file header and the optional header's magic.
    uint8_t nt[26];
    if (!in.ReadAt(ntOffset, nt, sizeof nt))
        return false;
    const uint16_t machine = Le16At(nt, sizeof nt, 4);
    const uint16_t magic = Le16At(nt, sizeof nt, 24);
    const bool pe32 = machine == 0x014C && magic == 0x010B;
    const bool pe32Plus = machine == 0x8664 && magic == 0x020B;
    if (std::memcmp(nt, "PE\0\0", 4) != 0 || !(pe32 || pe32Plus))
        return false;
    const uint16_t sections = Le16At(nt, sizeof nt, 6);
    const uint64_t table = static_cast<uint64_t>(ntOffset) + 24 + Le16At(nt, sizeof nt, 20);
    for (uint32_t k = 0; k < sections; ++k) {
        uint8_t header[40];
        if (!in.ReadAt(table + 40ull * k, header, sizeof header))
            return false;
        // The name is compared as a NUL-terminated string within its 8-byte field.
        if (std::memcmp(header, ".rsrc\0", 6) == 0) {
            section->dwRva = Le32At(header, sizeof header, 12);
            section->dwRawSize = Le32At(header, sizeof header, 16);
            section->dwOffset = Le32At(header, sizeof header, 20);
            return true;
        }
    }
    return false;
}

bool FindStubIconEntry(CFile& file, const ResourceSection& section, IconDirEntry* entry) {
    CBoundedFile in(file);
    uint32_t types = 0;
    uint32_t languages = 0;
    if (!FindSubdirectory(in, section, 0, kRtGroupIcon, &types) ||
        !FindSubdirectory(in, section, types, kStubGroupIconId, &languages))
        return false;

    DirHeader header;
    if (!ReadDirHeader(in, section, languages, &header) || header.wNamed + header.wIds == 0)
        return false;
    uint32_t name = 0;
    uint32_t target = 0;
    if (!ReadDirEntry(in, section, languages, 0, &name, &target) || (target & kSubdirectoryBit))
        return false;
    DataEntry data;
    if (!ReadDataEntry(in, section, target, &data))
        return false;

    uint8_t group[6];
    if (!in.ReadAt(data.qwFileOffset, group, sizeof group))
        return false;
    const uint16_t count = Le16At(group, sizeof group, 4);
    bool found = false;
    for (uint32_t k = 0; k < count; ++k) {
        uint8_t e[14];
        if (!in.ReadAt(data.qwFileOffset + 6 + 14ull * k, e, sizeof e))
            return false;
        if (e[0] != kStubIconWidth)
            continue;
        // With several entries of width 32 the last one counts.
        entry->bWidth = e[0];
        entry->bHeight = e[1];
        entry->bColorCount = e[2];
        entry->bReserved = e[3];
        entry->wPlanes = Le16At(e, sizeof e, 4);
        entry->wBitCount = Le16At(e, sizeof e, 6);
        entry->dwBytesInRes = Le32At(e, sizeof e, 8);
        entry->nID = Le16At(e, sizeof e, 12);
        found = true;
    }
    return found;
}

bool WriteIconImage(CFile& file, const ResourceSection& section, const IconDirEntry& entry,
                    const std::vector<uint8_t>& ico) {
    const uint64_t size = ico.size();
    if (size < 6)
        return false;
    const uint16_t count = Le16At(ico.data(), ico.size(), 4);
    if (!FitsIn(size, 6, 16ull * count))
        return false;

    const uint8_t* chosen = nullptr;
    for (uint32_t k = 0; k < count && !chosen; ++k) {
        const uint8_t* e = ico.data() + 6 + 16 * k;
        if (e[0] == entry.bWidth && e[1] == entry.bHeight && e[2] == entry.bColorCount &&
            Le32At(e, 16, 8) == entry.dwBytesInRes)
            chosen = e;
    }
    if (!chosen)
        return false;
    const uint32_t imageOffset = Le32At(chosen, 16, 12);
    const uint32_t imageSize = Le32At(chosen, 16, 8);
    if (!FitsIn(size, imageOffset, imageSize))
        return false;

    CBoundedFile in(file);
    uint32_t ids = 0;
    uint32_t languages = 0;
    if (!FindSubdirectory(in, section, 0, kRtIcon, &ids) ||
        !FindSubdirectory(in, section, ids, entry.nID, &languages))
        return false;
    DirHeader header;
    if (!ReadDirHeader(in, section, languages, &header) || header.wIds != 1)
        return false;
    uint32_t name = 0;
    uint32_t target = 0;
    if (!ReadDirEntry(in, section, languages, header.wNamed, &name, &target) ||
        (target & kSubdirectoryBit))
        return false;
    DataEntry data;
    if (!ReadDataEntry(in, section, target, &data))
        return false;

    // The image must fit in the resource's own data, inside the resource section and the file:
    // whatever the headers claim, nothing else of the executable is overwritten.
    if (imageSize > data.dwSize || !FitsIn(in.Length(), data.qwFileOffset, imageSize) ||
        data.qwFileOffset < section.dwOffset ||
        !FitsIn(static_cast<uint64_t>(section.dwOffset) + section.dwRawSize, data.qwFileOffset,
                imageSize))
        return false;

    file.Seek(static_cast<int64_t>(data.qwFileOffset), CFile::begin);
    file.Write(ico.data() + imageOffset, imageSize);
    return true;
}

bool ReplaceIcon(const std::string& ebookFile, const std::string& iconFile, Ui& ui,
                 IconStepValues* values) {
    if (iconFile.empty())
        return true;
    IconStepValues found;
    if (!values)
        values = &found;

    CFile out;
    CFile icon;
    // The file that a file error concerns, named in the message.
    std::string current = ebookFile;
    try {
        out.Open(ebookFile, CFile::modeReadWrite | CFile::shareExclusive);
        ResourceSection section;
        if (!LocateResourceSection(out, &section)) {
            out.Close();
            ui.ShowMessage(CannotReplaceIconMessage(ebookFile,
                                                    "It is not a 32-bit or 64-bit Windows program "
                                                    "with a resource section."),
                           MsgIcon::stop, MsgButtons::ok);
            return false;
        }
        values->dwRsrcOffset = section.dwOffset;
        values->dwRsrcRva = section.dwRva;
        IconDirEntry entry;
        if (!FindStubIconEntry(out, section, &entry)) {
            out.Close();
            ui.ShowMessage(CannotReplaceIconMessage(ebookFile,
                                                    "Its resources hold no 32x32 application "
                                                    "icon (group icon 128)."),
                           MsgIcon::stop, MsgButtons::ok);
            return false;
        }
        values->stubIconEntry = entry;

        current = iconFile;
        icon.Open(iconFile, CFile::modeRead | CFile::shareExclusive);
        const uint64_t length = icon.GetLength();
        bool ok = false;
        if (length <= kMaxIconFileSize) {
            std::vector<uint8_t> ico(static_cast<size_t>(length));
            if (!ico.empty())
                icon.ReadExact(ico.data(), static_cast<uint32_t>(length));
            icon.Close();
            current = ebookFile;
            // A signature no longer covers the program once its icon changed: it goes. Found
            // before anything is written, so a failure to read leaves the file as it was.
            StoreTrailerPlace signature;
            const bool isSigned = FindSignature(out, &signature);
            ok = WriteIconImage(out, section, entry, ico);
            if (ok && isSigned)
                CutSignature(out, signature);
        }
        current = ebookFile;
        out.Close();
        if (!ok) {
            ui.ShowMessage(kInvalidIconMessage, MsgIcon::stop, MsgButtons::ok);
            return false;
        }
        return true;
    } catch (const CException& e) {
        icon.Abort();
        out.Abort();
        ReportError(ui, "File error with " + current, e);
        return false;
    }
}
