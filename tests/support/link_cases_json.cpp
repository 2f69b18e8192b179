// Writes the table of link cases (LinkCases.h) as JSON to the file named by its argument, for
// tests outside C++ that follow the same references in a real browser engine.
//
// Each case: "page", "base" (null for none), "url", and the outcome "expect":
//   "file"     the viewer shows the book's file "name", at the place "fragment" ("" for none);
//   "noFile"   the viewer looks for "name", which no file of a book can have (it holds an encoded
//              slash or backslash, written here as a backslash): the book holds no such page;
//   "outside"  the reference leads out of the book, to "address";
//   "blocked"  a file of the reader's own disk: never opened;
//   "notAFile" no file is looked for (javascript:, data:).
#include <cstdio>
#include <fstream>
#include <string>

#include "LinkCases.h"

namespace {

std::string Json(const char* text) {
    if (!text)
        return "null";
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Outcome(const LinkCase& c) {
    switch (c.kind) {
        case LinkKind::inBook:
            if (std::string(c.target).find('\\') != std::string::npos)
                return "\"expect\": \"noFile\", \"name\": " + Json(c.target);
            return "\"expect\": \"file\", \"name\": " + Json(c.target) +
                   ", \"fragment\": " + Json(c.fragment ? c.fragment : "");
        case LinkKind::outside:
            return "\"expect\": \"outside\", \"address\": " + Json(c.target);
        case LinkKind::blocked:
            return "\"expect\": \"blocked\"";
        case LinkKind::notAFile:
            break;
    }
    return "\"expect\": \"notAFile\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: link_cases_json OUT.json\n");
        return 2;
    }
    std::string text = "{\"cases\": [\n";
    bool first = true;
    for (const LinkCase& c : kLinkCases) {
        if (!first)
            text += ",\n";
        first = false;
        text += "  {\"page\": " + Json(c.page) + ", \"base\": " + Json(c.base) +
                ", \"url\": " + Json(c.url) + ", " + Outcome(c) + "}";
    }
    text += "\n]}\n";
    std::ofstream out(argv[1], std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "link_cases_json: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
