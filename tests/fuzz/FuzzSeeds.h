// Helpers of the fuzz targets: a scratch file per process, and the seed corpus that a target
// writes into its (empty) corpus folder on start, made by the program's own writers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include <dirent.h>
#include <unistd.h>

// The positional argument of libFuzzer that names the corpus folder, or "".
inline std::string FuzzCorpusDir(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-')
            return argv[i];
    }
    return std::string();
}

inline bool FolderIsEmpty(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
        return false;
    bool empty = true;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') {
            empty = false;
            break;
        }
    }
    closedir(d);
    return empty;
}

// Writes the seed corpus with writeSeeds when the corpus folder named on the command line is
// empty (the start of every fuzz target's LLVMFuzzerInitialize).
inline void SeedEmptyCorpus(int argc, char** argv, void (*writeSeeds)(const std::string& dir)) {
    const std::string dir = FuzzCorpusDir(argc, argv);
    if (!dir.empty() && FolderIsEmpty(dir))
        writeSeeds(dir);
}

// A file name of this process in /tmp.
inline std::string FuzzScratch(const char* tag, int n = 0) {
    return "/tmp/pv-fuzz-" + std::string(tag) + "-" + std::to_string(getpid()) + "-" +
           std::to_string(n);
}

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        __builtin_trap();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        __builtin_trap();
    std::fclose(f);
}
