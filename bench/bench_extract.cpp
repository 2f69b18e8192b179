// Extract speed against the number of files in one folder, measured on the release command line.
//
//   bench_extract CLI [FILES]
//
// Builds two e-books of FILES small files (default 50,000) with `CLI build`: one with every file
// in one folder, one with the files spread over 40 folders. Times `CLI extract` of each into an
// empty folder, and of a tenth as many files in one folder. An extract that is linear in the files
// of a folder costs the same per file whether the folder holds a tenth as many or all of them
// (target ratio of the per-file costs, all / a tenth: at most 1.5; it exits 1 above that). The
// ratio one folder / 40 folders is printed beside it: it also holds what the file system itself
// charges for a large folder (ext4 here: about 1.5 at 50,000 files), so it is no target of ours.
// Each time is the best of three runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchClock.h"

namespace fs = std::filesystem;

namespace {

const int kRuns = 3;

// Runs a command line (paths without spaces); false when it fails.
bool Run(const std::string& line) {
    return std::system((line + " >/dev/null 2>&1").c_str()) == 0;
}

// A site of files small pages: in one folder, or spread over 40.
void MakeSite(const fs::path& root, int files, int folders) {
    fs::create_directories(root);
    std::ofstream(root / "index.html") << "<html><body>home</body></html>";
    for (int d = 0; d < folders; ++d)
        fs::create_directories(root / ("part" + std::to_string(d)));
    for (int f = 0; f < files; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "page%05d.htm", f);
        std::ofstream(root / ("part" + std::to_string(f % folders)) / name)
            << "<p>page " << f << "</p>";
    }
}

// The best of kRuns extracts of book into a fresh folder, in seconds; negative on failure.
double TimeExtract(const std::string& cli, const fs::path& book, const fs::path& work) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        const fs::path out = work / ("out" + std::to_string(run));
        fs::remove_all(out);
        const auto start = std::chrono::steady_clock::now();
        if (!Run(cli + " extract " + book.string() + " -d " + out.string()))
            return -1;
        best = std::min(best, Seconds(start));
        fs::remove_all(out);
    }
    return best;
}

// Builds the e-book of a generated site and times its extract.
double Measure(const std::string& cli, const fs::path& work, const std::string& name, int files,
               int folders) {
    const fs::path site = work / name;
    const fs::path book = work / (name + ".exe");
    MakeSite(site, files, folders);
    if (!Run(cli + " build " + site.string() + " -o " + book.string() + " -q")) {
        std::printf("bench_extract: the build of %s failed\n", name.c_str());
        return -1;
    }
    fs::remove_all(site);
    const double seconds = TimeExtract(cli, book, work);
    std::printf("  %-28s %6d files: %7.2f s, %6.1f us per file\n", name.c_str(), files, seconds,
                seconds * 1e6 / files);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_extract CLI [FILES]\n");
        return 2;
    }
    const std::string cli = fs::absolute(argv[1]).string();
    const int files = argc > 2 ? std::atoi(argv[2]) : 50000;
    char pattern[] = "/tmp/pv-bench-extract-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path work = pattern;
    std::printf("extract, best of %d runs:\n", kRuns);
    const double one = Measure(cli, work, "one-folder", files, 1);
    const double spread = Measure(cli, work, "40-folders", files, 40);
    const double tenth = Measure(cli, work, "one-folder-tenth", files / 10, 1);
    fs::remove_all(work);
    if (one < 0 || spread < 0 || tenth < 0)
        return 1;
    const double folderRatio = one / spread;
    const double sizeRatio = (one / files) / (tenth / (files / 10));
    std::printf("ratio one folder / 40 folders:          %.2f (the file system's share)\n",
                folderRatio);
    std::printf("ratio per file, all / a tenth (1 folder): %.2f (target <= 1.5)\n", sizeRatio);
    return sizeRatio <= 1.5 ? 0 : 1;
}
