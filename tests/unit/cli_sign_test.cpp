// The signer's name in a certificate table, signtool's verdicts, where signtool is found, and the
// signing step driven through stand-in signers (shell scripts speaking osslsigncode's command
// line): where the signer writes, what the messages say, and the signer on its leash.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakeSignature.h"
#include "ProcessEnd.h"
#include "TempFolder.h"
#include "cli/Cli.h"
#include "cli/CliSign.h"
#include "cli/ConsoleUi.h"
#include "icon_fake_pe.h"
#include "platform/ReplaceFile.h"

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

// An e-book in a folder of its own, a signed copy of it kept elsewhere, and stand-in signers.
class SignEBookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::vector<uint8_t> viewer = fakepe::MakeSignableViewer();
        CMemoryStubSource stub(viewer.data(), viewer.size());
        std::filesystem::create_directories(dir / "site");
        std::filesystem::create_directories(dir / "books");
        fakepe::WriteFile(dir / "site/index.html", "<html>home</html>");
        std::ostringstream out, err;
        ASSERT_EQ(RunCli({"build", dir / "site", "-o", book, "-q"}, stub, out, err), kExitOk)
            << err.str();
        unsigned_ = fakepe::ReadFile(book);
        // Padded to a multiple of 8 bytes, as signers pad.
        fakepe::WriteFile(
            dir / "signed.bin",
            fakepe::Sign(unsigned_, std::vector<uint8_t>((8 - unsigned_.size() % 8) % 8, 0)));
        fakepe::WriteFile(dir / "cert.pem", "certificate");
        fakepe::WriteFile(dir / "key.pem", "key");
        request.strCert = dir / "cert.pem";
        request.strKey = dir / "key.pem";
        request.strSigner = dir / "signer";
    }

    // A stand-in osslsigncode: verify passes; sign runs body with $out the file to write.
    void Signer(const std::string& body) {
        std::ofstream(dir / "signer") << "#!/bin/sh\ncase \"$1\" in verify) exit 0;; esac\n"
                                         "for out; do :; done\n"
                                      << body << "\n";
        chmod((dir / "signer").c_str(), 0755);
    }
    int Sign() {
        err.str("");
        CConsoleUi ui(err);
        std::ostringstream out;
        return SignEBook(book, request, ui, out);
    }
    std::vector<std::string> BookFolder() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir / "books"))
            names.push_back(e.path().filename().string());
        return names;
    }

    CTempFolder dir;
    const std::string book = dir / "books/book.exe";
    std::vector<uint8_t> unsigned_;
    SignRequest request;
    std::ostringstream err;
};

// The signer writes into a folder of the sign step's own beside the e-book (new, 0700, empty,
// the output's name free), never into the e-book's folder itself; the signed file replaces the
// e-book once checked, and the folder goes.
TEST_F(SignEBookTest, TheSignerWritesIntoAPrivateFolderBesideTheEBook) {
    Signer(
        "d=$(dirname \"$out\"); { stat -c %a \"$d\"; ls -A \"$d\" | wc -l; "
        "test -e \"$out\" && echo taken || echo free; echo \"$d\"; } >\"" +
        dir / "where" + "\"; cp \"" + dir / "signed.bin" + "\" \"$out\"");
    ASSERT_EQ(Sign(), kExitOk) << err.str();
    std::ifstream where(dir / "where");
    std::string mode, count, free, folder;
    std::getline(where, mode);
    std::getline(where, count);
    std::getline(where, free);
    std::getline(where, folder);
    EXPECT_EQ(mode, "700");
    EXPECT_EQ(count, "0");
    EXPECT_EQ(free, "free");
    EXPECT_EQ(std::filesystem::path(folder).parent_path(), std::filesystem::path(dir / "books"));
    EXPECT_TRUE(IsPrivateFolderName(std::filesystem::path(folder).filename().string())) << folder;
    EXPECT_EQ(fakepe::ReadFile(book), fakepe::ReadFile(dir / "signed.bin"));
    EXPECT_EQ(BookFolder(), std::vector<std::string>{"book.exe"});
}

// Each failure says what happened, in the signer's own last words where ours cannot say more;
// the e-book stays as it was and nothing is left beside it. A signer that floods its output
// is shown by its last line only; one that hangs, with what it started, is stopped.
TEST_F(SignEBookTest, FailuresSayWhatHappened) {
    const std::string pidFile = dir / "pid";
    struct Case {
        const char* name;
        std::string body;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {"exits 0 writing nothing",
         "echo 'all done'; exit 0",
         {"signer ended with exit status 0 but wrote no signed e-book.", "said: all done"}},
        {"a key of another certificate",
         "echo 'Failed to checking the consistency of a private key: key.pem'; "
         "echo '          with a public key in any X509 certificate: cert.pem'; "
         "echo '40504A45457F0000:error:05800074:x509 certificate routines:"
         "X509_check_private_key:key values mismatch:../crypto/x509/x509_cmp.c:403:'; exit 255",
         {"The key " + dir / "key.pem" + " does not belong to the certificate " + dir / "cert.pem" +
          ": " + dir / "signer" + " found that their key values mismatch."}},
        {"a wrong password",
         "echo 'Failed to decode private key file: key.pem (Wrong password?)'; "
         "echo 'Failed to read key or certificates'; "
         "echo '40E05BB5BD7F0000:error:1C800064:Provider routines:ossl_cipher_unpadblock:"
         "bad decrypt:../providers/implementations/ciphers/ciphercommon_block.c:124:'; exit 255",
         {"cannot be read: it is not a private key", "said: Failed to read key or certificates"}},
        {"a flood, then its last words",
         "head -c 3000000 /dev/zero | tr '\\0' x; echo; echo 'Timestamp server failed'; exit 1",
         {"signer failed with exit status 1.\n" + dir / "signer" +
          " said: Timestamp server failed"}},
        {"writes what is no e-book",
         "echo junk >\"$out\"",
         {"The file that " + dir / "signer" + " wrote does not read as an e-book: "}},
        {"hangs, waiting on what it started",
         "sleep 1000 & echo $! >\"" + pidFile + "\"; wait",
         {"signer did not finish within 300 milliseconds and was stopped, with everything it "
          "had started"}},
    };
    request.nTimeoutMs = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(pidFile);
        Signer(c.body);
        EXPECT_EQ(Sign(), kExitFailure);
        const std::string message = err.str();
        EXPECT_EQ(message.rfind("Cannot sign " + book + "\n", 0), 0u) << message;
        for (const std::string& piece : c.says)
            EXPECT_NE(message.find(piece), std::string::npos) << message;
        EXPECT_LT(message.size(), 1000u);
        EXPECT_EQ(fakepe::ReadFile(book), unsigned_);
        EXPECT_EQ(BookFolder(), std::vector<std::string>{"book.exe"});
        std::ifstream pid(pidFile);
        std::string text;
        if (std::getline(pid, text)) {
            EXPECT_TRUE(WaitProcessEnd(std::stoi(text))) << text;
        }
    }
}

// Ctrl+C while the signer runs: the signer and what it started end, the private folder goes,
// the e-book stays as it was, and the process ends by the signal as it would have.
TEST_F(SignEBookTest, CtrlCEndsTheSignerAndLeavesNothingBehind) {
    struct sigaction now;
    if (sigaction(SIGINT, nullptr, &now) == 0 && now.sa_handler == SIG_IGN)
        GTEST_SKIP() << "Ctrl+C is ignored in this test run";
    const std::string fifo = dir / "pid";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Signer("sleep 1000 & echo $! >\"" + fifo + "\"; wait");
    const pid_t runner = fork();
    ASSERT_GE(runner, 0);
    if (runner == 0) {
        Sign();
        _exit(0);
    }
    const std::string text = ReadFromFifo(fifo);
    const int status = StopChild(runner, SIGINT);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(WaitProcessEnd(std::stoi(text))) << text;
    EXPECT_EQ(fakepe::ReadFile(book), unsigned_);
    EXPECT_EQ(BookFolder(), std::vector<std::string>{"book.exe"});
}

}  // namespace
