#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FakeSignature.h"
#include "TempFolder.h"
#include "cli/CliSign.h"

namespace {

using namespace fakesig;

TEST(SignerSubject, NamesTheCertificateOfTheSignerAndRefusesDamage) {
    const Bytes issuer = Issuer();
    const Bytes certificates = Cat({Certificate(4, issuer, Name("Someone Else", "X")),
                                    Certificate(5, issuer, Name("Pag\xC3\xA9vane Signer", "Org"))});
    const Bytes table = Table(certificates, 5);
    std::string subject;
    ASSERT_TRUE(SignerSubject(table.data(), table.size(), &subject));
    EXPECT_EQ(subject, "CN=Pag\xC3\xA9vane Signer, O=Org");

    struct Case {
        const char* name;
        Bytes table;
    };
    const Case refused[] = {
        {"no certificate of the signer", Table(certificates, 6)},
        {"not PKCS#7 SignedData", Table(certificates, 5, 1)},
        {"no certificates", Table(Bytes(), 5)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(SignerSubject(c.table.data(), c.table.size(), &subject));
    }
    // Cut anywhere, with its length saying so or not, the table names nobody and nothing is
    // read past its end (the sanitizers watch).
    for (size_t n = 0; n + 8 < table.size(); ++n) {
        SCOPED_TRACE(n);
        const Bytes cut(table.begin(), table.begin() + static_cast<long>(n));
        EXPECT_FALSE(SignerSubject(cut.data(), cut.size(), &subject));
        Bytes relabelled = cut;
        if (n >= 8) {
            relabelled[0] = static_cast<uint8_t>(n);
            relabelled[1] = static_cast<uint8_t>(n >> 8);
            EXPECT_FALSE(SignerSubject(relabelled.data(), relabelled.size(), &subject));
        }
    }
}

// signtool's verdicts as it prints them: messages broken over indented lines, CRLF, several
// errors at once. Only an untrusted root, alone, counts as a whole signature.
TEST(SigntoolVerdict, OnlyAnUntrustedRootAloneKeepsTheSignature) {
    const std::string untrusted =
        "SignTool Error: A certificate chain processed, but terminated in a root\r\n"
        "        certificate which is not trusted by the trust provider.\r\n\r\n"
        "Number of files successfully Verified: 0\r\nNumber of warnings: 0\r\n"
        "Number of errors: 1\r\n";
    const std::string badDigest =
        "SignTool Error: WinVerifyTrust returned error: 0x80096010\r\n"
        "        The digital signature of the object did not verify.\r\n";
    struct Case {
        const char* name;
        int status;
        std::string output;
        SigntoolVerdict verdict;
    };
    const Case cases[] = {
        {"verified", 0, "Successfully verified: book.exe\r\n", SigntoolVerdict::verified},
        {"verified with a warning", 2, "SignTool Warning: ...\r\nSuccessfully verified: b.exe\r\n",
         SigntoolVerdict::verified},
        {"an error with exit status 2", 2, badDigest, SigntoolVerdict::failed},
        {"untrusted root, broken over lines", 1, untrusted, SigntoolVerdict::untrustedRoot},
        {"untrusted root by its code", 1,
         "SignTool Error: WinVerifyTrust returned error: 0x800B0109\r\n",
         SigntoolVerdict::untrustedRoot},
        {"a digest that does not match", 1, badDigest, SigntoolVerdict::failed},
        {"a bad digest as well as the root", 1, badDigest + untrusted, SigntoolVerdict::failed},
        {"the root's words but signtool could not run", -1, untrusted, SigntoolVerdict::failed},
        {"revocation offline", 1,
         "SignTool Error: The revocation function was unable to check revocation\r\n"
         "        because the revocation server was offline.\r\n",
         SigntoolVerdict::failed},
        {"no output", 1, "", SigntoolVerdict::failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadSigntoolVerdict(c.status, c.output), c.verdict);
    }
}

// The newest SDK's x86 signtool, versions compared as numbers; folders without it, other names
// and other tools are passed over.
TEST(NewestSdkTool, PicksTheHighestVersionThatHoldsTheTool) {
    CTempFolder bin;
    ASSERT_FALSE(bin.Path().empty());
    auto tool = [&bin](const std::string& version, const std::string& arch,
                       const std::string& name) {
        const std::string folder = bin.File(version) + "/" + arch;
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/" + name) << "MZ";
        chmod((folder + "/" + name).c_str(), 0755);
    };
    EXPECT_EQ(NewestSdkTool(bin.Path(), "signtool.exe"), "");
    tool("10.0.9600.0", "x86", "signtool.exe");
    tool("10.0.19041.0", "x86", "signtool.exe");
    tool("10.0.22621.0", "x64", "signtool.exe");  // no x86 copy
    tool("10.0.30000.0", "x86", "makecat.exe");   // another tool only
    tool("10.0.99999.x", "x86", "signtool.exe");  // not a version
    tool("x86", "x86", "signtool.exe");
    EXPECT_EQ(NewestSdkTool(bin.Path(), "signtool.exe"),
              bin.Path() + "\\10.0.19041.0\\x86\\signtool.exe");
    tool("10.0.100000.0", "x86", "signtool.exe");  // more digits, not a greater string
    EXPECT_EQ(NewestSdkTool(bin.Path(), "signtool.exe"),
              bin.Path() + "\\10.0.100000.0\\x86\\signtool.exe");
    EXPECT_EQ(NewestSdkTool(bin.File("missing"), "signtool.exe"), "");
}

}  // namespace
