// Prints the scripts the viewer runs in its pages, as JSON, for the tests that run them in
// Chromium (tests/browser/run.py): {"page": the script run before every page's own, "mark": the
// marking script for the words given as arguments, "next": the script that selects the next
// marked word}.
#include <iostream>
#include <string>
#include <vector>

#include "book/BookWeb.h"
#include "cli/ReaderSite.h"

int main(int argc, char** argv) {
    const std::vector<std::string> terms(argv + 1, argv + argc);
    std::cout << "{\"page\":" << JsonString(ViewerPageScript())
              << ",\"mark\":" << JsonString(MarkHitsScript(terms, 1000))
              << ",\"next\":" << JsonString(NextHitScript()) << "}\n";
    return 0;
}
