// pagevane-cli sign: the e-book is signed by an outside signing program (osslsigncode, or
// signtool.exe on Windows) into a private folder beside it, and the result is checked (its store
// reads, its signature verifies) before it replaces the e-book; whatever fails leaves the e-book
// as it was. The signer runs on a leash: a time limit, its whole process group ended with it, the
// last of its output kept. The signer's name that list shows is read in CliSignerSubject.cpp.
#include "cli/CliSign.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/Cli.h"
#include "cli/ConsoleUi.h"
#include "format/BookLayout.h"
#include "format/StoreReader.h"
#include "html/HtmlText.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Process.h"
#include "platform/ReplaceFile.h"
#include "platform/Text.h"

namespace {

// A failure of the signing step: the text after "Cannot sign <e-book>".
struct SignFailure {
    std::string strText;
};

// The first line of a program's output that contains what ("" when none does).
std::string LineWith(const std::string& output, const char* what) {
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find(what) != std::string::npos)
            return line;
        start = end + 1;
    }
    return std::string();
}

// The first line of the output naming one of the words, or its first line.
std::string ReasonLine(const std::string& output, std::initializer_list<const char*> words) {
    for (const char* w : words) {
        const std::string line = LineWith(output, w);
        if (!line.empty())
            return line;
    }
    return output.substr(0, output.find('\n'));
}

// The output with every run of white space (line breaks included) made one space: signtool
// breaks its messages over lines, indenting the rest.
std::string OneLine(const std::string& output) {
    std::string text;
    for (char c : output) {
        const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!space)
            text += c;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// signtool's first error message, on one line (its whole output when it names none).
std::string SigntoolError(const std::string& output) {
    const std::string text = OneLine(output);
    const size_t at = text.find("SignTool Error:");
    if (at == std::string::npos)
        return text;
    const size_t next = text.find("SignTool Error:", at + 1);
    std::string error = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
    while (!error.empty() && error.back() == ' ')
        error.pop_back();
    return error;
}

// Whether a line is one of OpenSSL's error trace ("40E05BB5BD7F0000:error:0688010A:asn1 ...").
bool IsErrorTrace(const std::string& line) {
    size_t k = 0;
    while (k < line.size() && std::isxdigit(static_cast<unsigned char>(line[k])))
        ++k;
    return k >= 8 && line.compare(k, 7, ":error:") == 0;
}

// The last line of a program's output that holds more than white space, OpenSSL's error trace
// passed over while the program said anything else; at most its last 300 characters. "" when
// there is none.
std::string LastLine(const std::string& output) {
    std::string trace;
    size_t end = output.size();
    while (end > 0) {
        const size_t start = output.rfind('\n', end - 1);
        const size_t from = start == std::string::npos ? 0 : start + 1;
        std::string line = output.substr(from, end - from);
        end = start == std::string::npos ? 0 : start;
        line = OneLine(line);
        if (line.empty())
            continue;
        if (!IsErrorTrace(line)) {
            trace = line;
            break;
        }
        if (trace.empty())
            trace = line;
    }
    if (trace.size() > 300)
        trace = "..." + trace.substr(trace.size() - 297);
    return trace;
}

// "\n<signer> said: <its last line>", or "" when it said nothing.
std::string SaidLine(const std::string& signer, const std::string& output) {
    const std::string last = LastLine(output);
    return last.empty() ? std::string() : "\n" + signer + " said: " + last;
}

// A time limit as people read it: "300 seconds", "1 second", "250 milliseconds".
std::string Duration(unsigned ms) {
    if (ms % 1000 != 0)
        return std::to_string(ms) + " milliseconds";
    return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
}

// Runs the signer with the request's time limit; a run that could not start or was stopped for
// taking too long fails the step. Returns the signer's exit status.
int RunSigner(const std::string& program, const std::string& signer,
              const std::vector<std::string>& args, std::string* out, const SignRequest& r) {
    const int rc = RunProgram(program, args, out, r.nTimeoutMs);
    const std::string& output = *out;
    if (rc == -1)
        throw SignFailure{"The signing program " + program + " could not be started: " + output};
    if (rc == kProgramTimedOut)
        throw SignFailure{signer + " did not finish within " + Duration(r.nTimeoutMs) +
                          " and was stopped, with everything it had started (a "
                          "time-stamp server that does not answer keeps it waiting; "
                          "--signer-timeout SECONDS sets the limit)." +
                          SaidLine(signer, output)};
    return rc;
}

// Checks that the file opens for reading: the signer's own message would be less clear.
void CheckReadable(const std::string& path) {
    CFile file;
    file.Open(path, CFile::modeRead | CFile::shareDenyNone);
    file.Close();
}

// Opens the e-book at path and checks that it reads as one: its store, its book marker and its
// file table. Returns the signer's subject ("" when not signed or no signer is named); *isSigned
// says whether entry 4 names a certificate table.
std::string ReadEBook(const std::string& path, const std::string& shown, bool* isSigned) {
    CStoreReader store;
    store.Open(path);
    const CStoreReader::Item* table = store.Find(kBookResourceType, kFileTableId);
    if (!store.HasStore() || !store.Find(kBookResourceType, kBookMarkerId))
        throw SignFailure{shown + " is not an e-book: it carries no resource store."};
    std::vector<FileTableRecord> records;
    FileTableProblem problem;
    if (table) {
        const std::vector<uint8_t> bytes = store.Read(*table);
        if (!ParseFileTable(bytes.data(), bytes.size(), &records, &problem))
            throw SignFailure{"The file table of " + shown + " is damaged. " + problem.Text()};
    }
    std::string subject;
    *isSigned = store.GetCertificate().IsSigned();
    if (*isSigned) {
        const std::vector<uint8_t> certificates = store.ReadCertificateTable();
        SignerSubject(certificates.data(), certificates.size(), &subject);
    }
    return subject;
}

// The signed file at temp must read as the e-book and carry a signature: returns the signer's
// subject.
std::string CheckSigned(const std::string& temp, const std::string& signer) {
    bool isSigned = false;
    const std::string shown = "The file that " + signer + " wrote";
    std::string subject;
    try {
        subject = ReadEBook(temp, shown, &isSigned);
    } catch (CException& e) {
        // Not the e-book's fault: the text names the file the signer wrote by what it is.
        if (auto* fe = dynamic_cast<CFileException*>(&e))
            fe->m_strFileName = "the signed file";
        else if (auto* ae = dynamic_cast<CArchiveException*>(&e))
            ae->m_strFileName = "the signed file";
        throw SignFailure{shown + " does not read as an e-book: " + e.GetErrorMessage()};
    }
    if (!isSigned)
        throw SignFailure{signer + " reported success but wrote no signature."};
    return subject;
}

// What went wrong when osslsigncode failed (exit status rc), naming the file at fault where its
// output says which, else in the signer's own last words.
std::string SigningFailure(const std::string& output, int rc, const SignRequest& r,
                           const std::string& signer) {
    // Checked first: osslsigncode words it "the consistency of a private key ... with a public
    // key in any X509 certificate", which names a private key too.
    if (!LineWith(output, "key values mismatch").empty() ||
        !LineWith(output, "consistency of a private key").empty())
        return "The key " + r.strKey + " does not belong to the certificate " + r.strCert + ": " +
               signer + " found that their key values mismatch.";
    if (!LineWith(output, "private key").empty())
        return "The key " + r.strKey + " cannot be read: " +
               (r.strPassFile.empty()
                    ? std::string("it is not a private key in PEM or DER form, or it needs a "
                                  "password (give the file holding it with --pass-file).")
                    : "the password in " + r.strPassFile +
                          " is wrong, or it is not a private key in PEM or DER form.") +
               SaidLine(signer, output);
    if (!LineWith(output, "certificate").empty())
        return "The certificate " + r.strCert +
               " cannot be read: it is not a certificate in PEM or DER form." +
               SaidLine(signer, output);
    return signer + " failed with exit status " + std::to_string(rc) + "." +
           SaidLine(signer, output);
}

std::string Native(const std::string& ansi) {
#ifdef _WIN32
    return ansi;
#else
    return NativePath(ansi);
#endif
}

// The file name of a path, in lower case.
std::string LowerFileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

bool EndsWith(const std::string& text, const char* end) {
    const size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// A PKCS#12 file, as its name says.
bool IsPkcs12Name(const std::string& path) {
    const std::string name = LowerFileName(path);
    return EndsWith(name, ".pfx") || EndsWith(name, ".p12");
}

// The version folder name 10.0.22621.0 as numbers; false for any other name.
bool VersionNumbers(const std::string& name, std::vector<unsigned long>* numbers) {
    numbers->clear();
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('.', start);
        if (end == std::string::npos)
            end = name.size();
        if (end == start || end - start > 9)
            return false;
        unsigned long n = 0;
        for (size_t k = start; k < end; ++k) {
            if (name[k] < '0' || name[k] > '9')
                return false;
            n = n * 10 + static_cast<unsigned long>(name[k] - '0');
        }
        numbers->push_back(n);
        start = end + 1;
    }
    return numbers->size() >= 2;
}

#ifdef _WIN32
// signtool.exe of the newest Windows SDK in its usual folder, or "".
std::string SdkSigntool() {
    for (const char* variable : {"ProgramFiles(x86)", "ProgramFiles"}) {
        const char* folder = std::getenv(variable);
        if (!folder || !*folder)
            continue;
        const std::string found =
            NewestSdkTool(std::string(folder) + "\\Windows Kits\\10\\bin", "signtool.exe");
        if (!found.empty())
            return found;
    }
    return std::string();
}
#endif

// signtool's password: the first line of the password file.
std::string ReadPassword(const std::string& path) {
    CFile file;
    file.Open(path, CFile::modeRead | CFile::shareDenyWrite);
    std::string text;
    char buffer[1024];
    uint32_t got = 0;
    while (text.size() < 64 * 1024 && (got = file.Read(buffer, sizeof buffer)) > 0)
        text.append(buffer, got);
    file.Close();
    text = text.substr(0, text.find_first_of("\r\n"));
    return text;
}

// Copies the file from into the open file to.
void CopyInto(const std::string& from, CFile& to) {
    CFile source;
    source.Open(from, CFile::modeRead | CFile::shareDenyWrite);
    std::vector<char> buffer(1 << 16);
    uint32_t got = 0;
    while ((got = source.Read(buffer.data(), static_cast<uint32_t>(buffer.size()))) > 0)
        to.Write(buffer.data(), got);
    source.Close();
}

// osslsigncode writes the signed e-book at temp from the one at path; the signature must then
// verify, against the certificate given (a self-signed one is its own authority) or else through
// the authorities this system trusts. Returns how it verified, for the closing message.
std::string SignWithOsslsigncode(const std::string& program, const std::string& name,
                                 const SignRequest& r, const std::string& path,
                                 const std::string& temp, std::string* subject) {
    // temp is free in a folder nobody else can write to: osslsigncode creates it, and refuses
    // to write over a file.
    std::vector<std::string> args = {"sign", "-certs", Native(r.strCert), "-key", Native(r.strKey)};
    if (!r.strPassFile.empty())
        args.insert(args.end(), {"-readpass", Native(r.strPassFile)});
    args.insert(args.end(), {"-h", "sha256"});
    if (!r.strTimestamp.empty())
        args.insert(args.end(), {"-ts", r.strTimestamp});
    args.insert(args.end(), {"-in", Native(path), "-out", Native(temp)});
    std::string output;
    const int rc = RunSigner(program, name, args, &output, r);
    if (rc != 0)
        throw SignFailure{SigningFailure(output, rc, r, name)};
    if (!CFile::Exists(temp))
        throw SignFailure{name + " ended with exit status 0 but wrote no signed e-book." +
                          SaidLine(name, output)};

    *subject = CheckSigned(temp, name);
    // -ignore-crl (osslsigncode 2.9 and later): no revocation list is fetched or checked.
    std::vector<std::string> verify = {"verify", "-in", Native(temp)};
    if (r.bNoRevocationCheck)
        verify.push_back("-ignore-crl");
    std::vector<std::string> againstCert = verify;
    againstCert.insert(againstCert.end(), {"-CAfile", Native(r.strCert)});
    std::string against = "against " + r.strCert;
    const int first = RunSigner(program, name, againstCert, &output, r);
    if (first != 0) {
        std::string second;
        const int other = RunSigner(program, name, verify, &second, r);
        if (other != 0) {
            std::string why = "The signature that " + name + " made does not verify: " +
                              ReasonLine(output, {"MISMATCH", "Error", "failed", "Failed"});
            // osslsigncode 2.8 and later fail when the revocation list cannot be had.
            const bool revocation =
                !LineWith(output, "get CRL").empty() || !LineWith(output, "-CRLfile").empty();
            if (revocation && LineWith(output, "MISMATCH").empty() && !r.bNoRevocationCheck)
                why +=
                    "\nThe revocation list that the certificate names could not be fetched or "
                    "did not clear it. Where the signing machine is offline, "
                    "--no-revocation-check skips that check.";
            throw SignFailure{why};
        }
        against = "with this system's certificate authorities";
    }
    return "osslsigncode verify, " + against +
           (r.bNoRevocationCheck ? ", revocation not checked" : "");
}

// signtool signs the copy of the e-book at temp in place, from the PKCS#12 file; then the copy
// must read as the e-book and signtool verify /pa (the Authenticode policy) must pass. Returns how
// it verified, or *untrusted set when the signature is whole but this machine does not trust its
// root certificate.
std::string SignWithSigntool(const std::string& program, const std::string& name,
                             const SignRequest& r, const std::string& temp, std::string* subject,
                             bool* untrusted) {
    std::vector<std::string> args = {"sign", "/fd", "sha256", "/f", r.strCert};
    if (!r.strPassFile.empty())
        args.insert(args.end(), {"/p", ReadPassword(r.strPassFile)});
    if (!r.strTimestamp.empty())
        args.insert(args.end(), {"/tr", r.strTimestamp, "/td", "sha256"});
    args.push_back(temp);
    std::string output;
    const int rc = RunSigner(program, name, args, &output, r);
    if (rc != 0) {
        const std::string error = SigntoolError(output);
        if (error.find("password") != std::string::npos)
            throw SignFailure{"The PKCS#12 file " + r.strCert + " cannot be opened: " +
                              (r.strPassFile.empty()
                                   ? std::string("it needs a password (give the file holding it "
                                                 "with --pass-file).")
                                   : "the password in " + r.strPassFile + " is wrong.") +
                              "\n" + error};
        throw SignFailure{program + " failed: " + error};
    }

    *subject = CheckSigned(temp, name);
    const int verified = RunSigner(program, name, {"verify", "/pa", temp}, &output, r);
    switch (ReadSigntoolVerdict(verified, output)) {
        case SigntoolVerdict::verified:
            return "signtool verify /pa";
        case SigntoolVerdict::untrustedRoot:
            *untrusted = true;
            return std::string();
        case SigntoolVerdict::failed:
            break;
    }
    throw SignFailure{"The signature that " + name +
                      " made does not verify: " + SigntoolError(output)};
}

}  // namespace

std::string NewestSdkTool(const std::string& kitsBin, const std::string& tool) {
    std::string best;
    std::vector<unsigned long> bestVersion;
    EnumerateFolder(kitsBin, [&](const FolderEntry& e) {
        std::vector<unsigned long> version;
        if (!e.bFolder || e.bNoAnsiName || !VersionNumbers(e.strName, &version) ||
            (!best.empty() && !(bestVersion < version)))
            return;
        const std::string candidate = kitsBin + "\\" + e.strName + "\\x86\\" + tool;
        if (!FindProgram(Native(candidate)).empty()) {
            best = candidate;
            bestVersion = version;
        }
    });
    return best;
}

Signer FindSigner(const std::string& named) {
    Signer s;
    if (!named.empty()) {
        const std::string name = LowerFileName(named);
        if (name == "signtool.exe" || name == "signtool")
            s.kind = SignerKind::signtool;
        s.strPath = FindProgram(Native(named));
#ifdef _WIN32
        // signtool.exe by its bare name: the SDK's when the PATH has none.
        if (s.strPath.empty() && s.kind == SignerKind::signtool && name == LowerFileName(named) &&
            named.find_first_of("/\\:") == std::string::npos)
            s.strPath = SdkSigntool();
#endif
        return s;
    }
    s.strPath = FindProgram("osslsigncode");
#ifdef _WIN32
    if (s.strPath.empty()) {
        s.kind = SignerKind::signtool;
        s.strPath = FindProgram("signtool");
        if (s.strPath.empty())
            s.strPath = SdkSigntool();
        if (s.strPath.empty())
            s.kind = SignerKind::osslsigncode;
    }
#endif
    return s;
}

std::string SignUsageProblem(const SignRequest& r) {
    if (FindSigner(r.strSigner).kind == SignerKind::osslsigncode) {
        if (r.strCert.empty() || r.strKey.empty()) {
            std::string text = "signing needs --cert FILE and --key FILE.";
            if (IsPkcs12Name(r.strCert))
                text += " osslsigncode takes them apart; from a .pfx: openssl pkcs12 -in " +
                        r.strCert +
                        " -nokeys -out cert.pem, and -nocerts -nodes -out key.pem."
#ifdef _WIN32
                        " Or sign through signtool.exe, which takes the .pfx: add --signer "
                        "signtool.exe."
#endif
                    ;
            return text;
        }
        return std::string();
    }
#ifndef _WIN32
    return "the signing program " + r.strSigner +
           " is signtool.exe, which runs on Windows only; here, sign through osslsigncode "
           "(leave out --signer).";
#else
    if (r.strCert.empty() || !r.strKey.empty() || !IsPkcs12Name(r.strCert))
        return "signtool.exe takes the certificate and its key in one PKCS#12 file: give it "
               "as --cert FILE.pfx (or .p12), without --key. Make one from PEM files with: "
               "openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx";
    if (r.bNoRevocationCheck)
        return "--no-revocation-check works with osslsigncode only: signtool verify has no such "
               "switch.";
    return std::string();
#endif
}

SigntoolVerdict ReadSigntoolVerdict(int status, const std::string& output) {
    const std::string text = OneLine(output);
    // 2: done, with warnings only.
    if (status == 0 || (status == 2 && text.find("SignTool Error:") == std::string::npos))
        return SigntoolVerdict::verified;
    // WinVerifyTrust checks the digest and the signature before the certificate chain, so a
    // chain ending in an untrusted root, alone, means the signature itself is whole.
    const bool untrusted = text.find("not trusted by the trust provider") != std::string::npos ||
                           text.find("0x800B0109") != std::string::npos ||
                           text.find("0x800b0109") != std::string::npos;
    return status == 1 && untrusted && text.find("SignTool Error:") == text.rfind("SignTool Error:")
               ? SigntoolVerdict::untrustedRoot
               : SigntoolVerdict::failed;
}

std::string ConsoleSubject(const std::string& utf8) {
    std::string ansi;
    if (!AnsiFromUtf8(utf8, &ansi)) {
        ansi.clear();
        for (unsigned char c : utf8) {
            if (c < 0x80)
                ansi += static_cast<char>(c);
            else if ((c & 0xC0) != 0x80)
                ansi += '?';
        }
    }
    return ConsoleText(ansi);
}

int SignEBook(const std::string& path, const SignRequest& r, CConsoleUi& ui, std::ostream& out) {
    const std::string prefix = "Cannot sign " + path;
    std::string temp;
    try {
        const Signer signer = FindSigner(r.strSigner);
        if (signer.strPath.empty())
            throw SignFailure{!r.strSigner.empty()
                                  ? "The signing program " + r.strSigner + " was not found."
#ifdef _WIN32
                                  : std::string("No signing program was found: neither "
                                                "osslsigncode nor signtool.exe is on the PATH, "
                                                "nor signtool.exe in a Windows SDK under "
                                                "Program Files. Install one, or name it with "
                                                "--signer.")
#else
                                  : std::string("The signing program osslsigncode was not "
                                                "found on the PATH. Install it (Debian and "
                                                "Ubuntu: apt-get install osslsigncode) or name "
                                                "it with --signer.")
#endif
            };
        CheckReadable(r.strCert);
        if (!r.strKey.empty())
            CheckReadable(r.strKey);
        if (!r.strPassFile.empty())
            CheckReadable(r.strPassFile);
        bool isSigned = false;
        ReadEBook(path, path, &isSigned);

        // The signer works in a private folder beside the e-book: made afresh, only this
        // user's, never swept by another save; its result moves into place only once checked.
        CReplaceFile replace(path);
        if (signer.kind == SignerKind::signtool) {
            // signtool signs a file in place: it gets a copy of the e-book.
            CFile file;
            replace.Create(file, CFile::shareExclusive);
            CopyInto(path, file);
            file.Close();
        } else {
            replace.Reserve();
        }
        temp = replace.GetTempPath();
        const std::string name = !r.strSigner.empty()                      ? r.strSigner
                                 : signer.kind == SignerKind::osslsigncode ? "osslsigncode"
                                                                           : "signtool.exe";
        std::string subject;
        std::string checked;
        bool untrusted = false;
        if (signer.kind == SignerKind::signtool)
            checked = SignWithSigntool(signer.strPath, name, r, temp, &subject, &untrusted);
        else
            checked = SignWithOsslsigncode(signer.strPath, name, r, path, temp, &subject);
        replace.Commit();
        if (!ui.m_bQuiet) {
            out << "Signed " << ConsoleText(path) << " as "
                << (subject.empty() ? std::string("an unnamed signer") : ConsoleSubject(subject))
                << ".\n";
            if (untrusted)
                out << "Its store reads and its signature is whole, but signtool verify /pa does "
                       "not accept it on this machine: its certificate chain ends in a root "
                       "certificate that this machine does not trust, as a self-signed "
                       "certificate's always does.\n";
            else
                out << "Its store reads and its signature verifies (" << ConsoleText(checked)
                    << ").\n";
            out << "Trust is not claimed: Windows SmartScreen trusts a signature only from a "
                   "certificate issued by an authority it trusts, never a self-signed one.\n";
        }
        return kExitOk;
    } catch (const SignFailure& f) {
        ui.ShowMessage(prefix + "\n" + f.strText, MsgIcon::stop, MsgButtons::ok);
    } catch (CException& e) {
        // The temporary file is nobody's business: a failure there is the e-book's.
        if (auto* fe = dynamic_cast<CFileException*>(&e)) {
            if (!temp.empty() && fe->m_strFileName == temp)
                fe->m_strFileName = path;
        } else if (auto* ae = dynamic_cast<CArchiveException*>(&e)) {
            if (!temp.empty() && ae->m_strFileName == temp)
                ae->m_strFileName = path;
        }
        ui.ShowMessage(ErrorReportText(prefix, e), MsgIcon::stop, MsgButtons::ok);
    }
    return kExitFailure;
}
