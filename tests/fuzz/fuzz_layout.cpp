// The e-book layout readers on arbitrary bytes: the file-table parse must refuse or accept
// without reading outside its bytes, and a table it accepts must write back to the same bytes;
// the program-image reader must stay inside the head it is given; the search for the store's
// trailer (behind a signature's certificate table, or at the end) must ask only for bytes inside
// the file and name a trailer that lies inside it, before the certificate table of a signed one.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "FuzzSeeds.h"
#include "format/BookLayout.h"

namespace {

void WriteSeeds(const std::string& dir) {
    std::vector<uint8_t> table;
    FileTableRecord r;
    r.strName = "index.html";
    r.dwPage = 1;
    r.dwInSequence = 1;
    r.dwInSearch = 1;
    AppendFileTableRecord(table, r);
    r.strName = "pics/a.gif";
    r.dwPage = 2;
    r.dwInSequence = 0;
    AppendFileTableRecord(table, r);
    WriteBytes(dir + "/table", table.data(), table.size());
    std::vector<uint8_t> head(512, 0);
    head[0] = 'M';
    head[1] = 'Z';
    head[60] = 0x80;
    head[0x80] = 'P';
    head[0x81] = 'E';
    head[0x86] = 1;     // one section
    head[0x94] = 0xE0;  // optional header size
    WriteBytes(dir + "/program", head.data(), head.size());
    // The same program signed: 16 data directories, entry 4 naming a table after a store's
    // trailer and 3 zero bytes.
    head[0x98] = 0x0B;  // PE32
    head[0x99] = 0x01;
    head[0xF4] = 16;
    const uint8_t trailer[] = {0, 2, 0, 0, 0x4B, 0x47, 0, 0, 0};
    head.insert(head.end(), trailer, trailer + sizeof trailer);
    head[0x118] = static_cast<uint8_t>(head.size());
    head[0x119] = static_cast<uint8_t>(head.size() >> 8);
    head[0x11C] = 16;
    head.insert(head.end(), 16, 0xC3);
    WriteBytes(dir + "/signed", head.data(), head.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SeedEmptyCorpus(*argc, *argv, WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so that the sanitizer sees any read past the end of the bytes.
    const std::vector<uint8_t> bytes(data, data + size);
    std::vector<FileTableRecord> records;
    FileTableProblem problem;
    if (ParseFileTable(bytes.data(), bytes.size(), &records, &problem)) {
        std::vector<uint8_t> again;
        for (const FileTableRecord& r : records) {
            if (r.strName.empty())
                __builtin_trap();
            AppendFileTableRecord(again, r);
        }
        if (again != bytes)
            __builtin_trap();
        std::set<uint32_t> pages;
        for (const FileTableRecord& r : records) {
            if (!pages.insert(r.dwPage).second)
                __builtin_trap();  // a table that names one page twice is refused
        }
    } else if (problem.kind == FileTableProblem::none || problem.record != records.size() + 1) {
        __builtin_trap();
    }
    const uint64_t end = ProgramImageEnd(bytes.data(), bytes.size());
    (void)end;

    StoreTrailerPlace place;
    const TrailerSearch found = FindStoreTrailer(
        bytes.data(), bytes.size() < 4096 ? bytes.size() : 4096, bytes.size(),
        [&bytes](uint64_t offset, uint8_t* buffer, size_t count) {
            if (offset > bytes.size() || count > bytes.size() - offset)
                __builtin_trap();
            std::memcpy(buffer, bytes.data() + offset, count);
        },
        &place);
    if (found == TrailerSearch::found) {
        if (place.qwAt + kStoreTrailerSize != place.qwDataEnd || place.qwDataEnd > bytes.size() ||
            Le16At(bytes.data(), bytes.size(), place.qwAt + 4) != kStoreMarker)
            __builtin_trap();
        const CertificateEntry& cert = place.cert;
        if (cert.IsSigned() && (place.qwDataEnd > cert.dwOffset ||
                                cert.dwOffset - place.qwDataEnd > kMaxSignaturePadding ||
                                uint64_t{cert.dwOffset} + cert.dwSize != bytes.size()))
            __builtin_trap();
        if (!cert.IsSigned() && place.qwDataEnd != bytes.size())
            __builtin_trap();
    }
    return 0;
}
