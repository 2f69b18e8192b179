// Certificate tables made by hand, as signers write them: one WIN_CERTIFICATE record holding a
// PKCS#7 SignedData whose signer is one of the certificates it carries. The signature and the
// keys are placeholders; the structure is what a reader of the signer's name walks. Portable:
// used by the native unit tests and by the Windows test programs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace fakesig {

using Bytes = std::vector<uint8_t>;

// A DER element: tag, length (short or long form), contents.
inline Bytes Der(uint8_t tag, const Bytes& contents) {
    Bytes b{tag};
    const size_t n = contents.size();
    if (n < 0x80) {
        b.push_back(static_cast<uint8_t>(n));
    } else {
        b.push_back(0x82);
        b.push_back(static_cast<uint8_t>(n >> 8));
        b.push_back(static_cast<uint8_t>(n));
    }
    for (uint8_t c : contents)  // (insert trips GCC 12's bounds warning here)
        b.push_back(c);
    return b;
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts)
        for (uint8_t c : p)
            b.push_back(c);
    return b;
}
inline Bytes Text(uint8_t tag, const std::string& s) {
    return Der(tag, Bytes(s.begin(), s.end()));
}
// A name of one CN (UTF8String) and one O (PrintableString).
inline Bytes Name(const std::string& cn, const std::string& o) {
    return Der(0x30,
               Cat({Der(0x31, Der(0x30, Cat({Der(0x06, {0x55, 0x04, 0x03}), Text(0x0C, cn)}))),
                    Der(0x31, Der(0x30, Cat({Der(0x06, {0x55, 0x04, 0x0A}), Text(0x13, o)})))}));
}
inline Bytes Certificate(uint8_t serial, const Bytes& issuer, const Bytes& subject) {
    const Bytes algorithm =
        Der(0x30, Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}));
    const Bytes tbs = Der(0x30, Cat({Der(0xA0, Der(0x02, {2})), Der(0x02, {serial}), algorithm,
                                     issuer, Der(0x30, {}), subject, Der(0x30, {})}));
    return Der(0x30, Cat({tbs, algorithm, Der(0x03, {0, 0x55})}));
}
// The issuer of the certificates the tests make.
inline Bytes Issuer() {
    return Name("Issuer", "CA");
}
// A certificate table: one WIN_CERTIFICATE (its length without the padding, revision 2.0, the
// type given: 2 is PKCS#7 SignedData) holding SignedData whose signer is the certificate of
// Issuer() and serial signerSerial among those given, padded with zeros to a multiple of 8.
inline Bytes Table(const Bytes& certificates, uint8_t signerSerial, uint16_t type = 2) {
    const Bytes signer =
        Der(0x30, Cat({Der(0x02, {1}), Der(0x30, Cat({Issuer(), Der(0x02, {signerSerial})})),
                       Der(0x30, {})}));
    const Bytes signedData =
        Der(0x30, Cat({Der(0x02, {1}), Der(0x31, {}), Der(0x30, Der(0x06, {0x2B, 0x06, 0x01})),
                       Der(0xA0, certificates), Der(0xA1, {}), Der(0x31, signer)}));
    const Bytes content =
        Der(0x30, Cat({Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02}),
                       Der(0xA0, signedData)}));
    const uint32_t length = static_cast<uint32_t>(8 + content.size());
    Bytes table{static_cast<uint8_t>(length),
                static_cast<uint8_t>(length >> 8),
                static_cast<uint8_t>(length >> 16),
                static_cast<uint8_t>(length >> 24),
                0,
                2,
                static_cast<uint8_t>(type),
                static_cast<uint8_t>(type >> 8)};
    for (uint8_t c : content)
        table.push_back(c);
    table.resize((table.size() + 7) / 8 * 8);
    return table;
}

}  // namespace fakesig
