#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliSign.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A DER element: tag, length (short or long form), contents.
Bytes Der(uint8_t tag, const Bytes& contents) {
    Bytes b{tag};
    const size_t n = contents.size();
    if (n < 0x80) {
        b.push_back(static_cast<uint8_t>(n));
    } else {
        b.push_back(0x82);
        b.push_back(static_cast<uint8_t>(n >> 8));
        b.push_back(static_cast<uint8_t>(n));
    }
    for (uint8_t c : contents)
        b.push_back(c);
    return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts)
        for (uint8_t c : p)
            b.push_back(c);
    return b;
}
Bytes Text(uint8_t tag, const std::string& s) {
    return Der(tag, Bytes(s.begin(), s.end()));
}
// A name of one CN (UTF8String) and one O (PrintableString).
Bytes Name(const std::string& cn, const std::string& o) {
    return Der(0x30,
               Cat({Der(0x31, Der(0x30, Cat({Der(0x06, {0x55, 0x04, 0x03}), Text(0x0C, cn)}))),
                    Der(0x31, Der(0x30, Cat({Der(0x06, {0x55, 0x04, 0x0A}), Text(0x13, o)})))}));
}
Bytes Certificate(uint8_t serial, const Bytes& issuer, const Bytes& subject) {
    const Bytes algorithm =
        Der(0x30, Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}));
    const Bytes tbs = Der(0x30, Cat({Der(0xA0, Der(0x02, {2})), Der(0x02, {serial}), algorithm,
                                     issuer, Der(0x30, {}), subject, Der(0x30, {})}));
    return Der(0x30, Cat({tbs, algorithm, Der(0x03, {0, 0x55})}));
}
// A certificate table: one WIN_CERTIFICATE holding SignedData whose signer is the issuer's
// certificate of serial signerSerial, among the certificates given.
Bytes Table(const Bytes& certificates, uint8_t signerSerial, uint16_t type = 2) {
    const Bytes issuer = Name("Issuer", "CA");
    const Bytes signer = Der(
        0x30,
        Cat({Der(0x02, {1}), Der(0x30, Cat({issuer, Der(0x02, {signerSerial})})), Der(0x30, {})}));
    const Bytes signedData =
        Der(0x30, Cat({Der(0x02, {1}), Der(0x31, {}), Der(0x30, Der(0x06, {0x2B, 0x06, 0x01})),
                       Der(0xA0, certificates), Der(0xA1, {}), Der(0x31, signer)}));
    const Bytes content =
        Der(0x30, Cat({Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02}),
                       Der(0xA0, signedData)}));
    const uint32_t length = static_cast<uint32_t>(8 + content.size());
    Bytes table{static_cast<uint8_t>(length),
                static_cast<uint8_t>(length >> 8),
                0,
                0,
                0,
                2,
                static_cast<uint8_t>(type),
                0};
    for (uint8_t c : content)
        table.push_back(c);
    table.resize((table.size() + 7) / 8 * 8);  // padded to 8, as signers write it
    return table;
}

TEST(SignerSubject, NamesTheCertificateOfTheSignerAndRefusesDamage) {
    const Bytes issuer = Name("Issuer", "CA");
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

}  // namespace
