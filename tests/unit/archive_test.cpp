#include <gtest/gtest.h>

#include "platform/Archive.h"
#include "store_testutil.h"

namespace {

const CArchiveClass kA = {"CAlpha", 1};
const CArchiveClass kB = {"CBeta", 3};
const CArchiveClass* const kKnown[] = {&kA, &kB};

class ArchiveTest : public ::testing::Test {
  protected:
    // Runs write on a storing archive over a fresh file and returns the bytes written.
    std::vector<uint8_t> Store(const std::function<void(CArchive&)>& write) {
        CFile f;
        f.Open(m_path, CFile::modeCreate | CFile::modeReadWrite);
        CArchive ar(f, CArchive::store);
        write(ar);
        ar.Close();
        f.Close();
        return ReadAll(m_path);
    }
    // Runs read on a loading archive over bytes.
    void Load(const std::vector<uint8_t>& bytes, const std::function<void(CArchive&)>& read) {
        WriteAll(m_path, bytes);
        CFile f;
        f.Open(m_path, CFile::modeRead);
        CArchive ar(f, CArchive::load);
        read(ar);
    }
    CTempFolder m_dir;
    std::string m_path = m_dir.File("a.bin");
};

TEST_F(ArchiveTest, WideStringsConvertToWindows1252) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::string text;
    };
    const Case cases[] = {
        {"short", Bytes().U8(0xFF).U16(0xFFFE).U8(3).U16('a').U16(0xE9).U16(0x20AC), "a\xE9\x80"},
        {"u16 length", Bytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(1).U16('z'), "z"},
        {"u32 length", Bytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFF).U32(1).U16('q'), "q"},
        {"empty", Bytes().U8(0xFF).U16(0xFFFE).U8(0), ""},
        {"no cp1252 form", Bytes().U8(0xFF).U16(0xFFFE).U8(2).U16(0x4E2D).U16('!'), "?!"},
        {"surrogate pair is one character",
         Bytes().U8(0xFF).U16(0xFFFE).U8(2).U16(0xD83D).U16(0xDE00), "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(Bytes().Raw(c.bytes.Get()).U8(0x55).Get(), [&](CArchive& ar) {
            EXPECT_EQ(ar.ReadString(), c.text);
            EXPECT_EQ(ar.ReadU8(), 0x55);
        });
    }
}

TEST_F(ArchiveTest, ClassIndicesFrom0x7FFFTakeTheLongForm) {
    // 0x7FFD objects of A take indices 2 to 0x7FFE; B's description is then index 0x7FFF, and a
    // reference to it needs the long form.
    const std::vector<uint8_t> bytes = Store([](CArchive& ar) {
        for (int i = 0; i < 0x7FFD; ++i)
            ar.WriteClassTag(kA);
        ar.WriteClassTag(kB);
        ar.WriteClassTag(kB);
        ar.WriteClassTag(kA);
    });
    const std::vector<uint8_t> tail(bytes.end() - 8, bytes.end());
    EXPECT_EQ(tail, Bytes().U16(0x7FFF).U32(0x80007FFF).U16(0x8001).Get());
    Load(bytes, [](CArchive& ar) {
        for (int i = 0; i < 0x7FFD; ++i)
            ar.ReadClassTag(kKnown, 2);
        EXPECT_EQ(&ar.ReadClassTag(kKnown, 2), &kB);
        EXPECT_EQ(&ar.ReadClassTag(kKnown, 2), &kB);
        EXPECT_EQ(&ar.ReadClassTag(kKnown, 2), &kA);
    });
}

TEST_F(ArchiveTest, ReadingErrorsNameTheFileExceptAtTheEnd) {
    struct Case {
        const char* name;
        Bytes bytes;
        CArchiveException::Cause cause;
    };
    const Case cases[] = {
        {"unknown class", Bytes().NewClass("CGamma"), CArchiveException::badClass},
        {"wrong schema", Bytes().NewClass("CBeta", 1), CArchiveException::badSchema},
        {"name too long", Bytes().U16(0xFFFF).U16(1).U16(64), CArchiveException::badClass},
        {"null object", Bytes().U16(0), CArchiveException::badIndex},
        {"class 0", Bytes().U16(0x8000), CArchiveException::badIndex},
        {"object as class", Bytes().NewClass("CAlpha").U16(0x8002), CArchiveException::badIndex},
        {"earlier object", Bytes().NewClass("CAlpha").U16(0x0002), CArchiveException::badIndex},
        {"class name cut", Bytes().U16(0xFFFF).U16(1).U16(6).Text("CAl"),
         CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(Bytes().Raw(c.bytes.Get()).U16(0x8001).Get(), [&](CArchive& ar) {
            try {
                ar.ReadClassTag(kKnown, 2);
                ar.ReadClassTag(kKnown, 2);
                ADD_FAILURE() << "no error";
            } catch (const CArchiveException& e) {
                EXPECT_EQ(e.m_cause, c.cause);
                EXPECT_EQ(e.m_strFileName,
                          c.cause == CArchiveException::endOfFile ? std::string() : m_path);
            }
        });
    }
    // A class of the right kind that is not the one expected.
    Load(Bytes().NewClass("CBeta", 3).Get(), [](CArchive& ar) {
        try {
            ar.ReadObjectTag(kA, kKnown, 2);
            ADD_FAILURE() << "no error";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badClass);
        }
    });
}

TEST_F(ArchiveTest, SkipAndLargeReadsKeepThePosition) {
    std::vector<uint8_t> data(20000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    Load(data, [&](CArchive& ar) {
        EXPECT_EQ(ar.ReadU8(), 0);
        ar.Skip(10);  // inside the buffer
        EXPECT_EQ(ar.GetPosition(), 11u);
        EXPECT_EQ(ar.ReadU8(), 11);
        ar.Skip(9000);  // beyond it
        EXPECT_EQ(ar.ReadU8(), static_cast<uint8_t>(9012));
        std::vector<uint8_t> big(8000);
        ar.Read(big.data(), 8000);
        EXPECT_EQ(big[0], static_cast<uint8_t>(9013));
        EXPECT_EQ(big[7999], static_cast<uint8_t>(17012));
        EXPECT_EQ(ar.BytesLeft(), 20000u - 17013);
        EXPECT_THROW(ar.Skip(3000), CArchiveException);
        ar.Skip(2987);
        EXPECT_THROW(ar.ReadU8(), CArchiveException);
    });
}

}  // namespace
