// The custom icon replacement on an arbitrary executable and an arbitrary .ico file.
//
// Input: u32 little-endian length n, then n bytes of the executable, then the .ico bytes. Every
// run must end in success (no message), a silent refusal (the executable unchanged) or one
// message; the executable keeps its length, and the only bytes that may change are one run no
// longer than the stub icon's image, inside the resource section or after its start.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../support/ScriptedUi.h"
#include "../unit/icon_fake_pe.h"
#include "FuzzSeeds.h"
#include "compiler/IconReplace.h"
#include "project/BookProject.h"

namespace {

std::vector<uint8_t> Seed(const std::vector<uint8_t>& exe, const std::vector<uint8_t>& ico) {
    std::vector<uint8_t> s(4);
    fakepe::Put32(s, 0, static_cast<uint32_t>(exe.size()));
    s.insert(s.end(), exe.begin(), exe.end());
    s.insert(s.end(), ico.begin(), ico.end());
    return s;
}

void WriteSeeds(const std::string& dir) {
    const std::string here = __FILE__;
    const std::string icons = here.substr(0, here.rfind('/')) + "/../unit/icon_data/";
    const std::vector<uint8_t> exe = fakepe::MakeViewer(16);
    int n = 0;
    for (const char* name : {"mixed.ico", "two.ico", "only256.ico", "only16px.ico"}) {
        const std::vector<uint8_t> s = Seed(exe, fakepe::ReadFile(icons + name));
        WriteBytes(dir + "/seed" + std::to_string(n++), s.data(), s.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SeedEmptyCorpus(*argc, *argv, WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const uint32_t n = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t(data[3]) << 24);
    if (n > size - 4)
        return 0;
    const std::vector<uint8_t> exe(data + 4, data + 4 + n);
    const std::string exePath = FuzzScratch("icon-exe");
    const std::string icoPath = FuzzScratch("icon-ico");
    WriteBytes(exePath, exe.data(), exe.size());
    WriteBytes(icoPath, data + 4 + n, size - 4 - n);

    CBookProject project;
    project.m_strEBookFile = exePath;
    project.m_strIconFile = icoPath;
    ScriptedUi ui;
    IconStepValues found;
    const bool ok = ReplaceIcon(project.m_strEBookFile, project.m_strIconFile, ui, &found);
    const std::vector<uint8_t> after = fakepe::ReadFile(exePath);

    if ((ok && !ui.messages.empty()) || ui.messages.size() > 1 || after.size() != exe.size()) {
        std::fprintf(stderr, "ok %d, %zu messages%s%s, size %zu -> %zu\n", ok, ui.messages.size(),
                     ui.messages.empty() ? "" : ": ",
                     ui.messages.empty() ? "" : ui.messages[0].text.c_str(), exe.size(),
                     after.size());
        __builtin_trap();
    }
    size_t first = exe.size();
    size_t last = 0;
    for (size_t k = 0; k < exe.size(); ++k) {
        if (exe[k] != after[k]) {
            first = std::min(first, k);
            last = k;
        }
    }
    if (first < exe.size()) {
        // Only a replacement writes, and only within the icon's image.
        if (!ok || first < found.dwRsrcOffset ||
            last - first + 1 > found.stubIconEntry.dwBytesInRes)
            __builtin_trap();
    }
    if (!ok && ui.messages.empty() && first < exe.size())
        __builtin_trap();
    std::remove(exePath.c_str());
    std::remove(icoPath.c_str());
    return 0;
}
