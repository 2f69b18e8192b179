// The signer's name that list shows, read from the certificate table (PKCS#7 SignedData) by a
// small DER walk in which every length is checked against the bytes that remain.
#include <cstring>
#include <string>

#include "cli/CliSign.h"
#include "format/BookLayout.h"
#include "html/HtmlText.h"

namespace {

// One DER element: its tag and its contents.
struct Der {
    uint8_t tag = 0;
    const uint8_t* p = nullptr;
    size_t n = 0;
    // The whole element, header included (for comparing names and serial numbers).
    const uint8_t* whole = nullptr;
    size_t wholeSize = 0;
};

// Reads DER elements one after the other from a range of bytes, each length checked against
// what is left; tags of more than one byte and the indefinite length are refused.
class CDerReader {
  public:
    CDerReader(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    explicit CDerReader(const Der& e) : m_p(e.p), m_n(e.n) {}

    bool AtEnd() const { return m_n == 0; }
    bool Next(Der* e) {
        if (m_n < 2 || (m_p[0] & 0x1F) == 0x1F)
            return false;
        size_t head = 2;
        size_t length = m_p[1];
        if (length & 0x80) {
            const size_t bytes = length & 0x7F;
            if (bytes == 0 || bytes > 4 || m_n < 2 + bytes)
                return false;
            length = 0;
            for (size_t k = 0; k < bytes; ++k)
                length = (length << 8) | m_p[2 + k];
            head += bytes;
        }
        if (length > m_n - head)
            return false;
        e->tag = m_p[0];
        e->p = m_p + head;
        e->n = length;
        e->whole = m_p;
        e->wholeSize = head + length;
        m_p += head + length;
        m_n -= head + length;
        return true;
    }
    // The next element, which must carry tag.
    bool Next(uint8_t tag, Der* e) { return Next(e) && e->tag == tag; }

  private:
    const uint8_t* m_p;
    size_t m_n;
};

const uint8_t kSequence = 0x30;
const uint8_t kSet = 0x31;
const uint8_t kInteger = 0x02;
const uint8_t kOid = 0x06;
const uint8_t kContext0 = 0xA0;
const uint8_t kSignedDataOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

bool Same(const Der& a, const Der& b) {
    return a.wholeSize == b.wholeSize && std::memcmp(a.whole, b.whole, a.wholeSize) == 0;
}

// An object identifier in dotted form.
std::string DottedOid(const Der& oid) {
    std::string text;
    uint64_t value = 0;
    bool first = true;
    for (size_t k = 0; k < oid.n; ++k) {
        value = (value << 7) | (oid.p[k] & 0x7F);
        if (oid.p[k] & 0x80) {
            if (value > (uint64_t{1} << 56))
                return "?";
            continue;
        }
        if (first) {
            const uint64_t top = value < 80 ? value / 40 : 2;
            text = std::to_string(top) + "." + std::to_string(value - 40 * top);
            first = false;
        } else {
            text += "." + std::to_string(value);
        }
        value = 0;
    }
    return text;
}

// The short name of an attribute of a name, or its dotted identifier.
std::string AttributeName(const Der& oid) {
    const std::string dotted = DottedOid(oid);
    static const std::pair<const char*, const char*> kNames[] = {
        {"2.5.4.3", "CN"},
        {"2.5.4.6", "C"},
        {"2.5.4.7", "L"},
        {"2.5.4.8", "ST"},
        {"2.5.4.10", "O"},
        {"2.5.4.11", "OU"},
        {"2.5.4.5", "serialNumber"},
        {"2.5.4.9", "street"},
        {"1.2.840.113549.1.9.1", "emailAddress"},
    };
    for (const auto& n : kNames) {
        if (dotted == n.first)
            return n.second;
    }
    return dotted;
}

// The text of a string value in UTF-8 (BMPString converted from UTF-16BE; the other kinds
// taken as they are); controls are left for the console to escape.
std::string ValueText(const Der& value) {
    if (value.tag != 0x1E)
        return std::string(reinterpret_cast<const char*>(value.p), value.n);
    std::string text;
    for (size_t k = 0; k + 1 < value.n; k += 2)
        AppendUtf8(static_cast<char32_t>((value.p[k] << 8) | value.p[k + 1]), &text);
    return text;
}

// A distinguished name (SEQUENCE OF SET OF {OID, value}) as "CN=..., O=...".
bool NameText(const Der& name, std::string* text) {
    text->clear();
    CDerReader rdns(name);
    while (!rdns.AtEnd()) {
        Der rdn;
        if (!rdns.Next(kSet, &rdn))
            return false;
        CDerReader attributes(rdn);
        while (!attributes.AtEnd()) {
            Der attribute;
            Der oid;
            Der value;
            if (!attributes.Next(kSequence, &attribute))
                return false;
            CDerReader parts(attribute);
            if (!parts.Next(kOid, &oid) || !parts.Next(&value))
                return false;
            if (!text->empty())
                *text += ", ";
            *text += AttributeName(oid) + "=" + ValueText(value);
        }
    }
    return true;
}

// The subject of the certificate (among certificates, a [0] SET OF Certificate) whose issuer
// and serial number are those given.
bool FindSubject(const Der& certificates, const Der& issuer, const Der& serial,
                 std::string* subject) {
    CDerReader list(certificates);
    while (!list.AtEnd()) {
        Der cert;
        Der tbs;
        Der field;
        if (!list.Next(&cert))
            return false;
        if (cert.tag != kSequence)
            continue;  // another kind of certificate (attribute or extended): not the signer's
        CDerReader c(cert);
        if (!c.Next(kSequence, &tbs))
            return false;
        CDerReader t(tbs);
        if (!t.Next(&field))
            return false;
        if (field.tag == kContext0 && !t.Next(&field))  // the version, when present
            return false;
        Der certSerial = field;
        Der algorithm;
        Der certIssuer;
        Der validity;
        Der certSubject;
        if (certSerial.tag != kInteger || !t.Next(kSequence, &algorithm) ||
            !t.Next(kSequence, &certIssuer) || !t.Next(kSequence, &validity) ||
            !t.Next(kSequence, &certSubject))
            return false;
        if (Same(certSerial, serial) && Same(certIssuer, issuer))
            return NameText(certSubject, subject);
    }
    return false;
}

}  // namespace

bool SignerSubject(const uint8_t* table, size_t size, std::string* subject) {
    // WIN_CERTIFICATE: u32 length (header included), u16 revision, u16 type (2: PKCS#7
    // SignedData), then the DER bytes. The first record is the signature that counts.
    const uint32_t length = Le32At(table, size, 0);
    if (size < 8 || length < 8 || length > size || Le16At(table, size, 6) != 2)
        return false;
    Der contentInfo;
    Der oid;
    Der explicitContent;
    Der signedData;
    Der version;
    Der digests;
    Der content;
    Der certificates;
    Der next;
    CDerReader outer(table + 8, length - 8);
    if (!outer.Next(kSequence, &contentInfo))
        return false;
    CDerReader ci(contentInfo);
    if (!ci.Next(kOid, &oid) || oid.n != sizeof kSignedDataOid ||
        std::memcmp(oid.p, kSignedDataOid, oid.n) != 0 || !ci.Next(kContext0, &explicitContent))
        return false;
    CDerReader ec(explicitContent);
    if (!ec.Next(kSequence, &signedData))
        return false;
    CDerReader sd(signedData);
    if (!sd.Next(kInteger, &version) || !sd.Next(kSet, &digests) || !sd.Next(kSequence, &content) ||
        !sd.Next(kContext0, &certificates))
        return false;
    // Revocation lists may come between the certificates and the signer infos.
    do {
        if (!sd.Next(&next))
            return false;
    } while (next.tag != kSet);
    CDerReader signers(next);
    Der signer;
    Der signerVersion;
    Der issuerAndSerial;
    Der issuer;
    Der serial;
    if (!signers.Next(kSequence, &signer))
        return false;
    CDerReader si(signer);
    if (!si.Next(kInteger, &signerVersion) || !si.Next(kSequence, &issuerAndSerial))
        return false;
    CDerReader is(issuerAndSerial);
    if (!is.Next(kSequence, &issuer) || !is.Next(kInteger, &serial))
        return false;
    return FindSubject(certificates, issuer, serial, subject);
}
