// pagevane-cli sign, and the signer's name that list shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

class CConsoleUi;

// How long one run of the signer (sign, verify) may take, in seconds: by default, and at most.
const unsigned kDefaultSignerSeconds = 300;
const unsigned kMaxSignerSeconds = 86400;

// What the signing step is given (paths and texts in the ANSI code page).
struct SignRequest {
    std::string strCert;       // the certificate, PEM or DER (PEM may carry its chain after it);
                               // for signtool.exe a PKCS#12 file (.pfx, .p12) holding the key too
    std::string strKey;        // the private key, PEM or DER ("" with signtool.exe)
    std::string strPassFile;   // a file holding the key's password ("": the key has none)
    std::string strTimestamp;  // address of an RFC 3161 time-stamp server ("": none)
    std::string strSigner;     // the signing program ("": found on the PATH, see FindSigner)
    bool bNoRevocationCheck = false;  // osslsigncode verify: fetch and check no revocation list
    unsigned nTimeoutMs = kDefaultSignerSeconds * 1000;  // each run of the signer; then stopped
};

// The signing programs whose command lines the signing step speaks.
enum class SignerKind {
    osslsigncode,  // writes the signed file apart: sign -certs -key ... -in BOOK -out SIGNED
    signtool,      // Windows SDK: signs a file in place, taking a PKCS#12 file (sign /f PFX)
};
struct Signer {
    std::string strPath;  // "" when no such program was found
    SignerKind kind = SignerKind::osslsigncode;
};

// The signer to use: the program named (its kind told by its file name: signtool.exe, signtool
// or any case of them is signtool, anything else speaks osslsigncode's language), or when named
// is "", osslsigncode on the PATH; on Windows, failing that, signtool.exe on the PATH, then in
// the newest Windows SDK under %ProgramFiles(x86)% (or %ProgramFiles%). signtool named without
// a folder is looked for in the SDK too when the PATH has none.
Signer FindSigner(const std::string& named);

// Why the options of r do not suit the signer r names or finds (a usage error's text), or "".
std::string SignUsageProblem(const SignRequest& r);

// The x86 signtool of the newest Windows SDK below kitsBin (the "Windows Kits\10\bin" folder:
// its version folders 10.0.N.M compared number by number, each looked in for x86\tool), or "".
std::string NewestSdkTool(const std::string& kitsBin, const std::string& tool);

// What signtool verify's exit status and output say.
enum class SigntoolVerdict {
    verified,       // exit status 0
    untrustedRoot,  // the signature is whole, but its chain ends in a root this machine does not
                    // trust (CERT_E_UNTRUSTEDROOT), as a self-signed certificate's always does
    failed,         // anything else: a digest that does not match, a revoked certificate, ...
};
SigntoolVerdict ReadSigntoolVerdict(int status, const std::string& output);

// Signs the e-book at path in place: the signer writes a new file in a private folder beside it
// (CReplaceFile: made afresh, only this user's, never swept), which must read as the e-book and
// whose signature must verify before it replaces the e-book. Each run of the signer is stopped,
// with everything it started, after request.nTimeoutMs. Returns kExitOk after saying so on
// out; kExitFailure after one message through ui ("Cannot sign PATH" and why, the signer's own
// last line where that says more), the e-book left as it was.
int SignEBook(const std::string& path, const SignRequest& request, CConsoleUi& ui,
              std::ostream& out);

// The subject of the certificate that made the first signature of a certificate table (the
// bytes entry 4 of a program names: WIN_CERTIFICATE records holding PKCS#7 SignedData), as
// "CN=..., O=..." in UTF-8. False when the table holds no signature, or none whose signer's
// certificate it carries. Every length is checked against the bytes given.
bool SignerSubject(const uint8_t* table, size_t size, std::string* subject);
// A subject (UTF-8) as the console shows it (see ConsoleText); characters that the ANSI code page
// lacks become '?'.
std::string ConsoleSubject(const std::string& utf8);
