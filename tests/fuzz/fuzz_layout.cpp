// The e-book layout readers on arbitrary bytes: the file-table parse must refuse or accept
// without reading outside its bytes, and a table it accepts must write back to the same bytes;
// the program-image reader must stay inside the head it is given.
#include <cstdint>
#include <cstdlib>
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
    return 0;
}
