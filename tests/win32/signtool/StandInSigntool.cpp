// A stand-in for the Windows SDK's signtool.exe, for the tests of pagevane-cli sign under Wine.
// It takes exactly the two command lines the signing step gives signtool:
//   signtool sign /fd sha256 /f FILE.pfx [/p PASSWORD] [/tr URL /td sha256] FILE
//   signtool verify /pa FILE
// checks them as signtool's syntax demands (an option's value follows it, the file comes last),
// and answers as signtool does: "sign" appends a certificate table to FILE in place (zero
// padding to 8, one WIN_CERTIFICATE holding a SignedData whose signer is "CN=Stand-in Signer,
// O=Pagevane Tests", data directory entry 4 naming it); "verify" checks that FILE carries one.
// The environment steers it:
//   PV_SIGNTOOL_LOG       a file to which each run appends one line: its own path, then its
//                         arguments, each in brackets
//   PV_SIGNTOOL_PASSWORD  the password the .pfx takes (/p must give it)
//   PV_SIGNTOOL_FAIL=sign sign writes part of the file, then fails
//   PV_SIGNTOOL_FAIL=hang sign starts a helper (a verify that hangs too) and waits for ever
//   PV_SIGNTOOL_VERIFY    "hang": verify waits for ever;
//                         "untrusted": verify reports a root certificate this machine does not
//                         trust; "fail": a signature that does not verify
// Its messages and exit statuses (0 done, 1 failed) are signtool's.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FakeSignature.h"

namespace {

using fakesig::Bytes;

int Fail(const std::string& message) {
    std::printf("SignTool Error: %s\n", message.c_str());
    return 1;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool ReadAll(const std::string& path, Bytes* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->clear();
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    std::fclose(f);
    return true;
}

bool WriteAll(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

uint32_t Get32(const Bytes& b, size_t at) {
    return at + 4 <= b.size()
               ? b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24
               : 0;
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

// Where entry 4 (the certificate table) of the program's data directories lies, or 0 when the
// bytes are no program with such an entry.
size_t Entry4At(const Bytes& b) {
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z')
        return 0;
    const size_t pe = Get32(b, 0x3C);
    if (pe > b.size() || b.size() - pe < 24 + 0x94 || std::memcmp(&b[pe], "PE\0\0", 4) != 0)
        return 0;
    const size_t optional = pe + 24;
    const unsigned magic = b[optional] | b[optional + 1] << 8;
    if (magic != 0x10B && magic != 0x20B)
        return 0;
    const size_t directories = optional + (magic == 0x10B ? 96 : 112);
    if (Get32(b, directories - 4) < 5 || directories + 5 * 8 > b.size())
        return 0;
    return directories + 4 * 8;
}

void Log(int argc, char** argv) {
    const char* log = std::getenv("PV_SIGNTOOL_LOG");
    if (!log)
        return;
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string line = self;
    line += ' ';
    for (int k = 1; k < argc; ++k)
        line += std::string("[") + argv[k] + "]";
    if (FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

// The options before the file, as signtool reads them: each is "/name" or "-name", those that
// take a value followed by it; the one file comes last. False, with *error set, when the words
// do not fit.
bool ReadOptions(int argc, char** argv, const std::vector<std::string>& withValue,
                 const std::vector<std::string>& flags,
                 std::vector<std::pair<std::string, std::string>>* options, std::string* file,
                 std::string* error) {
    int k = 2;
    for (; k < argc && (argv[k][0] == '/' || argv[k][0] == '-'); ++k) {
        const std::string word = argv[k];
        const std::string name = Lower(word.substr(1));
        bool takesValue = false;
        bool known = false;
        for (const std::string& o : withValue)
            takesValue = takesValue || o == name;
        for (const std::string& o : flags)
            known = known || o == name;
        if (!takesValue && !known) {
            *error = "Invalid option: " + word;
            return false;
        }
        std::string value;
        if (takesValue) {
            if (k + 1 >= argc) {
                *error = "Missing parameter for option: " + word;
                return false;
            }
            value = argv[++k];
        }
        for (const auto& seen : *options) {
            if (seen.first == name) {
                *error = "Multiple occurrences of option: " + word;
                return false;
            }
        }
        options->push_back({name, value});
    }
    if (k == argc) {
        *error = "A required parameter is missing.";
        return false;
    }
    if (k + 1 != argc) {  // signtool takes several files; the signing step gives one
        *error = "The stand-in takes one file.";
        return false;
    }
    *file = argv[k];
    return true;
}

const std::string* Option(const std::vector<std::pair<std::string, std::string>>& options,
                          const char* name) {
    for (const auto& o : options) {
        if (o.first == name)
            return &o.second;
    }
    return nullptr;
}

int Sign(int argc, char** argv) {
    std::vector<std::pair<std::string, std::string>> options;
    std::string file;
    std::string error;
    if (!ReadOptions(argc, argv, {"fd", "f", "p", "tr", "td"}, {}, &options, &file, &error))
        return Fail(error);
    const std::string* digest = Option(options, "fd");
    const std::string* pfx = Option(options, "f");
    const std::string* password = Option(options, "p");
    const std::string* timestamp = Option(options, "tr");
    const std::string* timestampDigest = Option(options, "td");
    if (!digest)
        return Fail(
            "No file digest algorithm specified. Please specify the digest algorithm "
            "with the /fd flag.");
    if (Lower(*digest) != "sha256")
        return Fail("Invalid digest algorithm: " + *digest);
    if (!pfx)
        return Fail("No certificates were found that met all the given criteria.");
    if (timestampDigest && !timestamp)
        return Fail("The /td option requires the /tr option.");
    if (timestamp && (!timestampDigest || Lower(*timestampDigest) != "sha256"))
        return Fail("The /tr option needs /td sha256 here.");
    Bytes pfxBytes;
    if (!ReadAll(*pfx, &pfxBytes) || pfxBytes.empty() || pfxBytes[0] != 0x30)
        return Fail("An error occurred while attempting to load the signing certificate from: " +
                    *pfx);
    const char* wanted = std::getenv("PV_SIGNTOOL_PASSWORD");
    if (wanted && (!password || *password != wanted))
        return Fail("The specified PFX password is not correct.");

    Bytes b;
    if (!ReadAll(file, &b))
        return Fail("File not found: " + file);
    const char* fail = std::getenv("PV_SIGNTOOL_FAIL");
    if (fail && std::strcmp(fail, "hang") == 0) {
        // A time-stamp server that never answers: it waits for ever, with a helper of its own.
        char self[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string line = std::string("\"") + self + "\" verify /pa \"" + file + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        SetEnvironmentVariableA("PV_SIGNTOOL_VERIFY", "hang");
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        std::printf("Waiting for the time-stamp server\n");
        std::fflush(stdout);
        Sleep(INFINITE);
    }
    if (fail && std::strcmp(fail, "sign") == 0) {
        b.insert(b.end(), 100, 0xEE);
        WriteAll(file, b);
        return Fail("An unexpected internal error has occurred.");
    }
    const size_t entry4 = Entry4At(b);
    if (!entry4)
        return Fail(
            "SignedCode::Sign returned error: 0x800700C1\n        Either the signing "
            "certificate is not valid or the file is not a valid program.");
    if (Get32(b, entry4) != 0 && Get32(b, entry4) <= b.size())
        b.resize(Get32(b, entry4));  // an earlier signature is replaced
    b.resize((b.size() + 7) / 8 * 8, 0);
    const Bytes table =
        fakesig::Table(fakesig::Certificate(5, fakesig::Issuer(),
                                            fakesig::Name("Stand-in Signer", "Pagevane Tests")),
                       5);
    Put32(b, entry4, static_cast<uint32_t>(b.size()));
    Put32(b, entry4 + 4, static_cast<uint32_t>(table.size()));
    b.insert(b.end(), table.begin(), table.end());
    if (!WriteAll(file, b))
        return Fail("Cannot write " + file);
    std::printf("Done Adding Additional Store\nSuccessfully signed: %s\n", file.c_str());
    return 0;
}

int Verify(int argc, char** argv) {
    const char* hang = std::getenv("PV_SIGNTOOL_VERIFY");
    if (hang && std::strcmp(hang, "hang") == 0)
        Sleep(INFINITE);
    std::vector<std::pair<std::string, std::string>> options;
    std::string file;
    std::string error;
    if (!ReadOptions(argc, argv, {}, {"pa"}, &options, &file, &error))
        return Fail(error);
    if (!Option(options, "pa"))
        return Fail("The stand-in verifies with the /pa policy only.");
    Bytes b;
    if (!ReadAll(file, &b))
        return Fail("File not found: " + file);
    const size_t entry4 = Entry4At(b);
    const uint32_t at = entry4 ? Get32(b, entry4) : 0;
    const uint32_t size = entry4 ? Get32(b, entry4 + 4) : 0;
    if (!at || size < 8 || at > b.size() || b.size() - at != size || Get32(b, at + 4) != 0x20200)
        return Fail("No signature found.");
    const char* how = std::getenv("PV_SIGNTOOL_VERIFY");
    if (how && std::strcmp(how, "untrusted") == 0) {
        std::printf(
            "SignTool Error: A certificate chain processed, but terminated in a root\n"
            "        certificate which is not trusted by the trust provider.\n\n"
            "Number of files successfully Verified: 0\nNumber of warnings: 0\n"
            "Number of errors: 1\n");
        return 1;
    }
    if (how && std::strcmp(how, "fail") == 0) {
        std::printf(
            "SignTool Error: WinVerifyTrust returned error: 0x80096010\n"
            "        The digital signature of the object did not verify.\n");
        return 1;
    }
    std::printf("File: %s\nSuccessfully verified: %s\n", file.c_str(), file.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Log(argc, argv);
    if (argc < 2)
        return Fail("A required parameter is missing.");
    const std::string command = Lower(argv[1]);
    if (command == "sign")
        return Sign(argc, argv);
    if (command == "verify")
        return Verify(argc, argv);
    return Fail("Invalid command: " + std::string(argv[1]));
}
