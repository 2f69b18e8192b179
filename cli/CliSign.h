// pagevane-cli sign, and the signer's name that list shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

class CConsoleUi;

// What the signing step is given (paths and texts in the ANSI code page).
struct SignRequest {
    std::string strCert;       // the certificate, PEM or DER (PEM may carry its chain after it)
    std::string strKey;        // the private key, PEM or DER
    std::string strPassFile;   // a file holding the key's password ("": the key has none)
    std::string strTimestamp;  // address of an RFC 3161 time-stamp server ("": none)
    std::string strSigner;     // the signing program ("": osslsigncode, found on the PATH)
};

// Signs the e-book at path in place: the signer writes a new file beside it, which must read as
// the e-book and whose signature must verify before it replaces the e-book. Returns kExitOk
// after saying so on out; kExitFailure after one message through ui ("Cannot sign PATH" and
// why), the e-book left as it was.
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
