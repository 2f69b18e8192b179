// The store's cost against the plain cost of writing the same bytes: 65,535 items of 1 KiB filed
// with Update and written with Commit, against one fwrite per item of its 8-byte head and its
// bytes. Prints the best of five runs of each and their ratio (target: 2 or less).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchClock.h"
#include "compiler/ResourceUpdater.h"

namespace {

const int kItems = 65535;
const uint32_t kItemSize = 1024;

std::vector<uint8_t> ItemBytes(int i) {
    std::vector<uint8_t> v(kItemSize);
    for (uint32_t k = 0; k < kItemSize; ++k)
        v[k] = static_cast<uint8_t>(i * 31 + k);
    return v;
}

void MakeStub(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    const std::vector<uint8_t> stub(4096, 0x90);
    std::fwrite(stub.data(), 1, stub.size(), f);
    std::fclose(f);
}

double RunStore(const std::string& path, const std::vector<std::vector<uint8_t>>& items) {
    MakeStub(path);
    const auto start = std::chrono::steady_clock::now();
    {
        CResourceUpdater u;
        u.Open(path, false);
        for (int i = 0; i < kItems; ++i)
            u.Update(349, i + 1, items[i].data(), kItemSize);
        u.Commit();
        u.Close();
    }
    return Seconds(start);
}

double RunFwrite(const std::string& path, const std::vector<std::vector<uint8_t>>& items) {
    MakeStub(path);
    const auto start = std::chrono::steady_clock::now();
    FILE* f = std::fopen(path.c_str(), "ab");
    for (int i = 0; i < kItems; ++i) {
        const uint8_t head[8] = {
            0x03, 0x80, static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 0x00, 0x04,
            0x00, 0x00};
        std::fwrite(head, 1, sizeof head, f);
        std::fwrite(items[i].data(), 1, kItemSize, f);
    }
    std::fclose(f);
    return Seconds(start);
}

}  // namespace

int main() {
    char dir[] = "/tmp/pv-bench-store-XXXXXX";
    if (mkdtemp(dir) == nullptr)
        return 1;
    const std::string storePath = std::string(dir) + "/store.exe";
    const std::string plainPath = std::string(dir) + "/plain.exe";

    std::vector<std::vector<uint8_t>> items;
    items.reserve(kItems);
    for (int i = 0; i < kItems; ++i)
        items.push_back(ItemBytes(i));

    double bestStore = 1e9;
    double bestPlain = 1e9;
    for (int run = 0; run < 5; ++run) {
        const double s = RunStore(storePath, items);
        const double p = RunFwrite(plainPath, items);
        if (s < bestStore)
            bestStore = s;
        if (p < bestPlain)
            bestPlain = p;
    }
    std::printf("store: Update + Commit of %d items of %u bytes: %.3f s\n", kItems, kItemSize,
                bestStore);
    std::printf("fwrite of the same bytes:                       %.3f s\n", bestPlain);
    std::printf("ratio store / fwrite: %.2f (target <= 2)\n", bestStore / bestPlain);

    std::remove(storePath.c_str());
    std::remove(plainPath.c_str());
    rmdir(dir);
    return 0;
}
