// pagevane-cli: argument parsing and the commands that make books and projects.
//
// A folder source goes through the same scan as the publisher's New Project (RescanProject on an
// emptied page list); a project file goes through LoadProject. Flags then override what the
// project holds, and the build or the save runs exactly as the publisher runs it, with a Ui that
// prints its messages. Every path and text from the command line is turned into the book's ANSI
// code page first, since that is what the project, the e-book and the file layer hold.
#include "cli/Cli.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli/CliCheck.h"
#include "cli/CliSign.h"
#include "cli/ConsoleUi.h"
#include "compiler/BuildEBook.h"
#include "compiler/PackPool.h"
#include "platform/Text.h"
#include "platform/Version.h"
#include "project/ViewerOptions.h"
#include "project/PageList.h"
#include "project/ProjectFile.h"
#include "project/Scan.h"

namespace {

struct TextFlag {
    const char* pszFlag;
    std::string CBookProject::*pField;
};
const TextFlag kTextFlags[] = {
    {"--title", &CBookProject::m_strTitle},         {"--author", &CBookProject::m_strAuthor},
    {"--copyright", &CBookProject::m_strCopyright}, {"--url", &CBookProject::m_strUrl},
    {"--email", &CBookProject::m_strEMail},         {"--about", &CBookProject::m_strAboutInfo},
};

const char kUsageHead[] =
    "Usage:\n"
    "  pagevane-cli build SOURCE [-o OUT.exe] [--check] [--sign SIGN-OPTIONS] [options]\n"
    "      Builds an e-book. SOURCE is a folder, scanned as the publisher's New Project scans\n"
    "      it, or a project file (.ebp); -o may be left out when the project names its e-book.\n"
    "      A folder's own index.html, index.htm, default.htm or default.html (the first there\n"
    "      is) becomes the home page unless --home names another. --check checks the links\n"
    "      first and builds nothing when one is broken.\n"
    "  pagevane-cli new FOLDER -o PROJECT.ebp [options] [--ebook OUT.exe]\n"
    "      Scans FOLDER and saves the project file (home page chosen as build chooses it).\n"
    "  pagevane-cli list [--contents] EBOOK.exe\n"
    "      Prints the e-book's texts, options and files. --contents prints its table of\n"
    "      contents instead, as the viewer's contents pane shows it: first where it was found,\n"
    "      then one entry a line, indented two spaces a level: the label, a tab, the page it\n"
    "      opens (path or path#fragment; nothing for a heading).\n"
    "  pagevane-cli extract EBOOK.exe -d DIR\n"
    "      Writes every file of the e-book back below DIR, with its folders. A file already\n"
    "      there is replaced only once its new content is complete; a link already there is\n"
    "      never written through (a link to a folder is refused, a link of a file's name is\n"
    "      replaced by the file).\n"
    "  pagevane-cli check FOLDER|PROJECT.ebp|EBOOK.exe\n"
    "      Lists every link and resource reference of the HTML pages and style sheets that names\n"
    "      no file of the book or leads outside it, the pages no link reaches from the home\n"
    "      page, and the names an e-book cannot hold; one line each (file:line: what). Exit\n"
    "      status 1 when a reference is broken.\n"
    "  pagevane-cli sign EBOOK.exe --cert FILE --key FILE [--pass-file FILE]\n"
    "                    [--timestamp URL] [--signer PATH] [--signer-timeout SECONDS]\n"
    "                    [--no-revocation-check]\n"
    "      Signs the e-book (Authenticode) through osslsigncode, found on the PATH or named by\n"
    "      --signer: --cert is the certificate (PEM or DER, a PEM chain may follow it), --key\n"
    "      its private key, --pass-file a file holding the key's password, --timestamp the\n"
    "      address of an RFC 3161 time-stamp server. The signed e-book is written beside the\n"
    "      e-book and replaces it only once its store reads and its signature verifies; after\n"
    "      any failure the e-book stays as it was. build --sign signs the e-book it built.\n"
    "      Each run of the signer (sign, then verify) may take --signer-timeout seconds\n"
    "      (default 300); one that takes longer is stopped with everything it started, as it\n"
    "      is when pagevane-cli is interrupted or ends.\n"
    "      A certificate to try it with (self-signed, so no one trusts it):\n"
    "        openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem \\\n"
    "          -days 30 -subj /CN=Test\n"
    "      Only a code-signing certificate from an authority Windows trusts earns the trust of\n"
    "      SmartScreen; a signature says who signed, the trust comes from the issuer.\n"
    "      osslsigncode verify (2.8 and later) fetches the revocation list a certificate names\n"
    "      and fails when it cannot; --no-revocation-check (osslsigncode 2.9 and later) skips\n"
    "      that check, for a machine that signs offline.\n"
    "      On Windows, signtool.exe (Windows SDK) signs too: named by --signer, or used when\n"
    "      osslsigncode is not on the PATH (signtool.exe on the PATH, else the newest SDK's in\n"
    "      Program Files). It takes the certificate and key in one PKCS#12 file, given as\n"
    "      --cert FILE.pfx without --key; make one with\n"
    "        openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx\n"
    "      Caution: signtool takes the password on its command line (/p), where other programs\n"
    "      on the machine can read it while it runs. Its check is signtool verify /pa, which\n"
    "      trusts only the authorities Windows trusts: for a self-signed certificate the\n"
    "      e-book is signed and its signature whole, but not verified on this machine.\n"
    "  pagevane-cli read EBOOK.exe [--port N] [--no-open]\n"
    "      Serves the e-book to this machine's web browser and opens it there (--no-open: only\n"
    "      prints the address): the book's pages, its contents, search and page buttons, until\n"
    "      Ctrl+C. Only this machine can connect (127.0.0.1, a free port unless --port N).\n"
    "      On Windows the e-book is its own reader: start it.\n"
    "  pagevane-cli --help | --version\n"
    "\n"
    "-q (--quiet), with any command: print nothing but errors (and check's findings). While a\n"
    "build or an extract runs, a line of progress shows when standard error is a terminal.\n"
    "\n"
    "Options of build and new (they override what a project file holds):\n"
    "  --title TEXT  --author TEXT  --copyright TEXT  --url TEXT  --email TEXT  --about TEXT\n"
    "  --splash FILE.bmp    picture shown while the e-book starts\n"
    "  --icon FILE.ico      icon of the e-book; the file must hold a 32x32 16-colour image\n"
    "  --home NAME          make the file NAME (relative to the folder) the home page, as\n"
    "                       File Properties' \"Make Home Page\" does\n"
    "  --jobs N             build only: pack the pages on N threads (1 to 16; by default one\n"
    "                       per processor, at most 16); the e-book is the same for every N\n"
    "  --option NAME=0|1    viewer option; NAME is one of:\n";
const char kUsageTail[] =
    "Texts not given start as on a first run of the publisher: author \"*Your Name*\",\n"
    "\"Copyright (C) <year> *your company name*\", placeholder web and e-mail addresses.\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage. Messages go to standard error.\n";

std::string UsageText() {
    std::string text = kUsageHead;
    std::string line = "     ";
    for (const ViewerOption& o : kViewerOptions) {
        if (line.size() + 1 + std::string(o.pszName).size() > 90) {
            text += line + "\n";
            line = "     ";
        }
        line += std::string(" ") + o.pszName;
    }
    text += line + "\n\n" + kUsageTail;
    return text;
}

// A wrong command line: the message, then where to find help.
struct UsageError {
    std::string strText;
};

struct Args {
    std::string strCommand;
    bool bQuiet = false;
    bool bCheck = false;
    bool bContents = false;                     // list --contents
    bool bSign = false;                         // build --sign
    bool bNoRevocationCheck = false;            // sign, build --sign: --no-revocation-check
    bool bNoOpen = false;                       // read: only print the address
    std::vector<std::string> positional;        // ANSI
    std::map<std::string, std::string> values;  // flag -> ANSI value (last one wins)
    std::vector<std::pair<int32_t CBookProject::*, int32_t>> options;
};

// The options of sign, which build takes with --sign.
std::vector<std::string> SignFlags() {
    return {"--cert", "--key", "--pass-file", "--timestamp", "--signer", "--signer-timeout"};
}

// The argument in the ANSI code page, or a usage error naming what (the flag it is the value
// of, or the word itself) and the characters the code page cannot hold.
std::string ToAnsi(const std::string& argument, const std::string& what) {
    std::string ansi, missing;
    if (!AnsiFromArgument(argument, &ansi, &missing))
        throw UsageError{what +
                         " holds characters that an e-book cannot hold unchanged (it keeps its "
                         "texts and names in the ANSI code page): " +
                         missing + ". Nothing was built or saved."};
    return ansi;
}

void ParseOption(const std::string& value, Args* args) {
    const size_t eq = value.find('=');
    const std::string name = value.substr(0, eq);
    const std::string v = eq == std::string::npos ? "" : value.substr(eq + 1);
    if (const ViewerOption* o = FindViewerOption(name.c_str())) {
        if (v != "0" && v != "1")
            throw UsageError{"--option " + value + ": the value must be 0 or 1."};
        args->options.emplace_back(o->pField, v == "1" ? 1 : 0);
        return;
    }
    throw UsageError{"--option " + value + ": unknown option \"" + name + "\"."};
}

// A count given on the command line: digits only, at most maxDigits of them (leading zeros
// allowed), from 1 to max.
bool ParseCount(const std::string& text, size_t maxDigits, unsigned long max, unsigned long* n) {
    *n = 0;
    bool ok = !text.empty() && text.size() <= maxDigits;
    for (char c : text) {
        ok = ok && c >= '0' && c <= '9';
        *n = *n * 10 + static_cast<unsigned long>(c - '0');
    }
    return ok && *n >= 1 && *n <= max;
}

// The --jobs value: a whole number from 1 to kMaxPackThreads; 0 (the default) when not given.
unsigned PackThreads(const Args& args) {
    const auto it = args.values.find("--jobs");
    if (it == args.values.end())
        return 0;
    unsigned long n = 0;
    if (!ParseCount(it->second, 3, kMaxPackThreads, &n))
        throw UsageError{"--jobs " + it->second + ": give a number of threads from 1 to " +
                         std::to_string(kMaxPackThreads) + "."};
    return static_cast<unsigned>(n);
}

// The --port value: 1 to 65535; 0 (any free port) when not given.
uint16_t ReadPort(const Args& args) {
    const auto it = args.values.find("--port");
    if (it == args.values.end())
        return 0;
    unsigned long n = 0;
    if (!ParseCount(it->second, 5, 65535, &n))
        throw UsageError{"--port " + it->second + ": give a port number from 1 to 65535."};
    return static_cast<uint16_t>(n);
}

Args Parse(const std::vector<std::string>& words) {
    Args args;
    args.strCommand = words[0];
    std::vector<std::string> allowed;
    if (args.strCommand == "build" || args.strCommand == "new") {
        allowed = {"-o", "--splash", "--icon", "--option", "--home"};
        for (const TextFlag& f : kTextFlags)
            allowed.push_back(f.pszFlag);
        if (args.strCommand == "new")
            allowed.push_back("--ebook");
        else
            allowed.push_back("--jobs");
        if (args.strCommand == "build") {
            const std::vector<std::string> sign = SignFlags();
            allowed.insert(allowed.end(), sign.begin(), sign.end());
        }
    } else if (args.strCommand == "extract") {
        allowed = {"-d"};
    } else if (args.strCommand == "sign") {
        allowed = SignFlags();
    } else if (args.strCommand == "read") {
        allowed = {"--port"};
    } else if (args.strCommand != "list" && args.strCommand != "check") {
        throw UsageError{"unknown command \"" + args.strCommand + "\"."};
    }

    for (size_t k = 1; k < words.size(); ++k) {
        std::string word = words[k];
        if (word.size() < 2 || word[0] != '-') {
            args.positional.push_back(
                ToAnsi(word, "Argument " + std::to_string(k + 1) + " of the command line"));
            continue;
        }
        if (word == "-q" || word == "--quiet") {
            args.bQuiet = true;
            continue;
        }
        if (word == "--check" && args.strCommand == "build") {
            args.bCheck = true;
            continue;
        }
        if (word == "--contents" && args.strCommand == "list") {
            args.bContents = true;
            continue;
        }
        if (word == "--sign" && args.strCommand == "build") {
            args.bSign = true;
            continue;
        }
        if (word == "--no-open" && args.strCommand == "read") {
            args.bNoOpen = true;
            continue;
        }
        if (word == "--no-revocation-check" &&
            (args.strCommand == "build" || args.strCommand == "sign")) {
            args.bNoRevocationCheck = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        const size_t eq = word.find('=');
        if (word.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        if (word == "--output")
            word = "-o";
        if (word == "--dir")
            word = "-d";
        bool known = false;
        for (const std::string& a : allowed)
            known = known || a == word;
        if (!known)
            throw UsageError{"\"" + word + "\" is not an option of " + args.strCommand + "."};
        if (!hasValue) {
            if (k + 1 >= words.size())
                throw UsageError{word + " needs a value."};
            value = words[++k];
        }
        if (word == "--option")
            ParseOption(value, &args);
        else
            args.values[word] = ToAnsi(value, "The value of " + word);
    }
    // Every value is checked here, before any folder is scanned or file read.
    if (args.strCommand == "build")
        PackThreads(args);
    if (args.strCommand == "read")
        ReadPort(args);
    return args;
}

// Native form for the standard library's file system functions.
std::filesystem::path FsPath(const std::string& ansi) {
    return std::filesystem::path(NativePath(ansi));
}

// An absolute form of a path, so that a project file names its files wherever it is used.
std::string AbsoluteAnsi(const std::string& ansi) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(FsPath(ansi), ec).lexically_normal();
    if (ec)
        return ansi;
    std::string back;
#ifdef _WIN32
    back = p.string();
#else
    if (!AnsiFromUtf8(p.string(), &back))
        return ansi;
#endif
    return back;
}

// A folder path without the separators at its end (the root keeps its own).
std::string TrimFolder(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\') &&
           !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    return folder;
}

// The About text as the publisher's multi-line box gives it: every line break a CR LF.
std::string WindowsLineBreaks(const std::string& text) {
    std::string out;
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r'))
            out += '\r';
        out += text[k];
    }
    return out;
}

void ApplyFlags(const Args& args, bool absolutePaths, CBookProject& project) {
    for (const TextFlag& f : kTextFlags) {
        const auto it = args.values.find(f.pszFlag);
        if (it != args.values.end())
            project.*f.pField = f.pField == &CBookProject::m_strAboutInfo
                                    ? WindowsLineBreaks(it->second)
                                    : it->second;
    }
    auto path = [&](const char* flag, std::string* field) {
        const auto it = args.values.find(flag);
        if (it != args.values.end())
            *field = it->second.empty() || !absolutePaths ? it->second : AbsoluteAnsi(it->second);
    };
    path("--splash", &project.m_strSplashFile);
    path("--icon", &project.m_strIconFile);
    path("--ebook", &project.m_strEBookFile);
    for (const auto& o : args.options)
        project.*o.first = o.second;
}

// Moves the entry named by --home to the front of the page list. False after a message.
bool ApplyHome(const Args& args, CBookProject& project, Ui& ui) {
    const auto it = args.values.find("--home");
    if (it == args.values.end())
        return true;
    std::string name = it->second;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    for (size_t i = 0; i < project.GetPageCount(); ++i) {
        if (AnsiEqualNoCase(project.GetPage(i)->m_strFile, name)) {
            MoveToFront(project, i);
            return true;
        }
    }
    ui.ShowMessage("Cannot set the home page\nThe project has no file " + it->second + ".",
                   MsgIcon::stop, MsgButtons::ok);
    return false;
}

// Fills the project from a folder the way New Project does. Returns false after a message.
bool ScanSource(const std::string& folder, CBookProject& project, Ui& ui) {
    std::error_code ec;
    if (!std::filesystem::is_directory(FsPath(folder), ec)) {
        ui.ShowMessage("Cannot read folder " + folder + "\n" + folder + " is not a folder.",
                       MsgIcon::stop, MsgButtons::ok);
        return false;
    }
    project.DeleteAllPages();
    // What the scan leaves out (names no ANSI form or Windows cannot hold, case twins, paths too
    // long to open, files longer than the viewer reads) it names in one message, and the book is
    // made of the rest, as the publisher's New Project makes it: every such refusal is a warning.
    if (!RescanProject(project, ui, TrimFolder(folder), [] {}))
        return false;
    project.m_bProjectLoaded = 1;
    return true;
}

// The signing options given; a usage error when they do not suit the signer (the certificate or
// the key missing, a PEM key for signtool.exe, ...).
SignRequest MakeSignRequest(const Args& args) {
    auto value = [&args](const char* flag) {
        const auto it = args.values.find(flag);
        return it == args.values.end() ? std::string() : it->second;
    };
    SignRequest r;
    r.strCert = value("--cert");
    r.strKey = value("--key");
    r.strPassFile = value("--pass-file");
    r.strTimestamp = value("--timestamp");
    r.strSigner = value("--signer");
    r.bNoRevocationCheck = args.bNoRevocationCheck;
    if (args.values.count("--signer-timeout")) {
        const std::string text = value("--signer-timeout");
        unsigned long seconds = 0;
        if (!ParseCount(text, 6, kMaxSignerSeconds, &seconds))
            throw UsageError{"--signer-timeout " + text + ": give a number of seconds from 1 to " +
                             std::to_string(kMaxSignerSeconds) + "."};
        r.nTimeoutMs = static_cast<unsigned>(seconds) * 1000;
    }
    const std::string problem = SignUsageProblem(r);
    if (!problem.empty())
        throw UsageError{problem};
    return r;
}

int RunBuild(const Args& args, const CStubSource& stub, CConsoleUi& ui, std::ostream& results) {
    if (args.positional.size() != 1)
        throw UsageError{"build takes one SOURCE (a folder or a project file)."};
    const std::string& source = args.positional[0];
    CBookProject project;
    SetFirstRunTexts(project, CurrentYear());
    std::error_code ec;
    const bool looksLikeProject =
        source.size() >= 4 && AnsiEqualNoCase(source.substr(source.size() - 4), ".ebp");
    if (!std::filesystem::exists(FsPath(source), ec) && !looksLikeProject) {
        // Neither a folder nor a project file: say so rather than report a missing project.
        ui.ShowMessage("Cannot read folder " + source + "\n" + source + " was not found.",
                       MsgIcon::stop, MsgButtons::ok);
        return kExitFailure;
    }
    if (std::filesystem::is_directory(FsPath(source), ec)) {
        if (!ScanSource(source, project, ui))
            return kExitFailure;
    } else {
        project.m_strProjectFile = source;
        if (!LoadProject(project, ui))
            return kExitFailure;
        project.m_bProjectLoaded = 1;
    }
    ApplyFlags(args, false, project);
    if (!ApplyHome(args, project, ui))
        return kExitFailure;
    if (std::filesystem::is_directory(FsPath(source), ec) && !args.values.count("--home"))
        ChooseFolderHome(project, ui);
    const auto out = args.values.find("-o");
    if (out != args.values.end())
        project.m_strEBookFile = out->second;
    if (project.m_strEBookFile.empty())
        throw UsageError{"no output file: give -o OUT.exe."};
    if (args.bCheck) {
        std::ostringstream findings;
        const CheckResult result = CheckLinks(CheckInputFromProject(project), findings);
        // The findings are what went wrong here: they go with the other messages.
        ui.Inform(CheckSummary(result));
        if (result.nBroken || result.nUnreadable) {
            ui.PrintConsoleText(findings.str());
            ui.ShowMessage(
                "The e-book was not built: " + std::to_string(result.nBroken + result.nUnreadable) +
                    " references or files are broken.",
                MsgIcon::stop, MsgButtons::ok);
            return kExitFailure;
        }
    }
    SignRequest sign;
    if (args.bSign) {
        sign = MakeSignRequest(args);
    } else {
        for (const std::string& flag : SignFlags()) {
            if (args.values.count(flag))
                throw UsageError{flag + " is an option of --sign."};
        }
        if (args.bNoRevocationCheck)
            throw UsageError{"--no-revocation-check is an option of --sign."};
    }
    if (!BuildEBook(project, project.m_strEBookFile, ui, stub, {kMaxEBookSize, PackThreads(args)}))
        return kExitFailure;
    // A book that fails to sign stays built, unsigned.
    return args.bSign ? SignEBook(project.m_strEBookFile, sign, ui, results) : kExitOk;
}

int RunNew(const Args& args, CConsoleUi& ui) {
    if (args.positional.size() != 1)
        throw UsageError{"new takes one FOLDER."};
    const auto out = args.values.find("-o");
    if (out == args.values.end() || out->second.empty())
        throw UsageError{"no project file: give -o PROJECT.ebp."};
    CBookProject project;
    SetFirstRunTexts(project, CurrentYear());
    // The project file names the folder and the files absolutely, so it can be used from
    // anywhere.
    if (!ScanSource(AbsoluteAnsi(args.positional[0]), project, ui))
        return kExitFailure;
    ApplyFlags(args, true, project);
    if (!ApplyHome(args, project, ui))
        return kExitFailure;
    // The same home page as build FOLDER, so that the project builds the same book.
    if (!args.values.count("--home"))
        ChooseFolderHome(project, ui);
    project.m_strProjectFile = out->second;
    return SaveProject(project, ui) ? kExitOk : kExitFailure;
}

}  // namespace

std::string TrimmedFolder(const std::string& folder) {
    return TrimFolder(folder);
}

std::string ChooseFolderHome(CBookProject& project, CConsoleUi& ui) {
    // Names the scan gives are lower case; a page in a sub-folder holds a backslash.
    const char* const kHomeNames[] = {"index.html", "index.htm", "default.htm", "default.html"};
    for (const char* home : kHomeNames) {
        for (size_t i = 0; i < project.GetPageCount(); ++i) {
            if (AnsiEqualNoCase(project.GetPage(i)->m_strFile, home)) {
                if (i != 0)
                    MoveToFront(project, i);
                ui.Inform("Home page: " + project.GetPage(0)->m_strFile);
                return project.GetPage(0)->m_strFile;
            }
        }
    }
    return std::string();
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local.tm_year + 1900;
}

namespace {

int RunCommand(const std::vector<std::string>& words, const CStubSource& stub, std::ostream& out,
               std::ostream& err, bool errIsTerminal) {
    if (words.empty()) {
        err << "pagevane-cli: no command given.\nTry 'pagevane-cli --help'.\n";
        return kExitUsage;
    }
    if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        out << UsageText();
        return kExitOk;
    }
    if (words[0] == "--version") {
        out << "pagevane-cli (" PV_PRODUCT_NAME ") " PV_VERSION_TEXT "\n";
        return kExitOk;
    }
    CConsoleUi ui(err);
    try {
        const Args args = Parse(words);
        ui.m_bQuiet = args.bQuiet;
        if (errIsTerminal)
            ui.EnableProgress();
        if (args.strCommand == "build")
            return RunBuild(args, stub, ui, out);
        if (args.strCommand == "new")
            return RunNew(args, ui);
        if (args.strCommand == "check") {
            if (args.positional.size() != 1)
                throw UsageError{"check takes one FOLDER, PROJECT.ebp or EBOOK.exe."};
            return RunCheck(args.positional[0], ui, out);
        }
        if (args.positional.size() != 1)
            throw UsageError{args.strCommand + " takes one EBOOK.exe."};
        if (args.strCommand == "sign")
            return SignEBook(args.positional[0], MakeSignRequest(args), ui, out);
        if (args.strCommand == "list" && args.bContents)
            return ListContents(args.positional[0], out, err);
        if (args.strCommand == "list")
            return ListEBook(args.positional[0], out, err);
        if (args.strCommand == "read")
            return ReadEBook(args.positional[0], ReadPort(args), !args.bNoOpen, args.bQuiet, out,
                             err);
        const auto dir = args.values.find("-d");
        if (dir == args.values.end() || dir->second.empty())
            throw UsageError{"no folder to extract to: give -d DIR."};
        return ExtractEBook(args.positional[0], dir->second, err,
                            [&ui](size_t done, size_t total, uint64_t bytes) {
                                ui.ShowProgress(done, total, bytes);
                            });
    } catch (const UsageError& e) {
        err << "pagevane-cli: " << e.strText << "\nTry 'pagevane-cli --help'.\n";
        return kExitUsage;
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& words, const CStubSource& stub, std::ostream& out,
           std::ostream& err, bool errIsTerminal) {
    const int result = RunCommand(words, stub, out, err, errIsTerminal);
    // What a command prints on standard output is its result: when it could not be written
    // (a full disk, a closed output) the command failed.
    out.flush();
    if (!out.fail())
        return result;
    err << "pagevane-cli: cannot write to standard output.\n";
    return result == kExitOk ? kExitFailure : result;
}
