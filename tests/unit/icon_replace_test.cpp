#include <gtest/gtest.h>

#include <functional>

#include "ScriptedUi.h"
#include "compiler/IconReplace.h"
#include "project/BookProject.h"
#include "TempFolder.h"
#include "icon_fake_pe.h"

using fakepe::Layout;

namespace {

std::vector<uint8_t> IconData(const std::string& name) {
    return fakepe::ReadFile(std::string(PV_SOURCE_DIR) + "/tests/unit/icon_data/" + name);
}

// The image bytes of entry k of an .ico.
std::vector<uint8_t> IcoImage(const std::vector<uint8_t>& ico, int k) {
    const uint32_t size = fakepe::Get32(ico, 6 + 16 * k + 8);
    const uint32_t offset = fakepe::Get32(ico, 6 + 16 * k + 12);
    return std::vector<uint8_t>(ico.begin() + offset, ico.begin() + offset + size);
}

class IconReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        project.m_strEBookFile = dir.File("book.exe");
        project.m_strIconFile = dir.File("icon.ico");
    }
    void TearDown() override { ClearFileFaults(); }

    // Runs ReplaceIcon on exe with the .ico bytes; returns its result.
    bool Replace(const std::vector<uint8_t>& exe, const std::vector<uint8_t>& ico) {
        fakepe::WriteFile(project.m_strEBookFile, exe);
        fakepe::WriteFile(project.m_strIconFile, ico);
        return ReplaceIcon(project.m_strEBookFile, project.m_strIconFile, ui, &found);
    }
    std::vector<uint8_t> Output() const { return fakepe::ReadFile(project.m_strEBookFile); }

    CTempFolder dir;
    CBookProject project;
    IconStepValues found;  // what the last replacement found
    ScriptedUi ui;
};

TEST_F(IconReplaceTest, NoCustomIconOpensNothing) {
    project.m_strIconFile.clear();
    // The output does not even exist: it must not be opened.
    EXPECT_TRUE(ReplaceIcon(project.m_strEBookFile, project.m_strIconFile, ui, &found));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(IconReplaceTest, WritesTheMatchingImageInPlace) {
    struct Case {
        const char* ico;
        int expectedEntry;  // index of the image that must land in the executable
        bool typeTwo;       // header type patched to 2 (not examined)
        bool pe32Plus;      // an x86-64 program
    };
    const Case cases[] = {
        {"mixed.ico", 1, false, false},  // 16x16, 32x32 16 colours, 48x48: the 32x32 one
        {"two.ico", 0, false, false},    // two matches: the first
        {"mixed.ico", 1, true, false},
        {"mixed.ico", 1, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ico) + (c.typeTwo ? " type 2" : "") +
                     (c.pe32Plus ? " PE32+" : ""));
        std::vector<uint8_t> ico = IconData(c.ico);
        if (c.typeTwo)
            fakepe::Put16(ico, 2, 2);
        const std::vector<uint8_t> exe = fakepe::MakeViewer(64, c.pe32Plus);
        ASSERT_TRUE(Replace(exe, ico));
        EXPECT_TRUE(ui.messages.empty());

        std::vector<uint8_t> expected = exe;
        const std::vector<uint8_t> image = IcoImage(ico, c.expectedEntry);
        ASSERT_EQ(image.size(), 744u);
        std::copy(image.begin(), image.end(), expected.begin() + Layout::kRsrc + Layout::kImage);
        EXPECT_EQ(Output(), expected);  // nothing else changed, the tail included
        EXPECT_EQ(found.dwRsrcOffset, Layout::kRsrc);
        EXPECT_EQ(found.dwRsrcRva, Layout::kRsrcRva);
        EXPECT_EQ(found.stubIconEntry.nID, 1);
        EXPECT_EQ(found.stubIconEntry.dwBytesInRes, 744u);

        // A second replacement with the same icon gives the same bytes.
        ASSERT_TRUE(ReplaceIcon(project.m_strEBookFile, project.m_strIconFile, ui, &found));
        EXPECT_EQ(Output(), expected);
    }
}

TEST_F(IconReplaceTest, ASignedBookLosesItsSignatureWithItsIcon) {
    // The program, an empty store and its trailer (base 0x800), signed after 6 bytes of padding.
    std::vector<uint8_t> book = fakepe::MakeSignableViewer();
    const uint8_t store[] = {0, 0, 0, 0, 0x00, 0x08, 0, 0, 0x4B, 0x47};
    book.insert(book.end(), store, store + sizeof store);
    const std::vector<uint8_t> ico = IconData("mixed.ico");
    ASSERT_TRUE(Replace(fakepe::Sign(book, std::vector<uint8_t>(6)), ico));
    EXPECT_TRUE(ui.messages.empty());
    const std::vector<uint8_t> image = IcoImage(ico, 1);
    std::copy(image.begin(), image.end(), book.begin() + Layout::kRsrc + Layout::kImage);
    EXPECT_EQ(Output(), book);  // the certificate table, its entry and the checksum are gone
}

TEST_F(IconReplaceTest, UnsuitableIconsGiveTheMessageAndLeaveTheFile) {
    struct Case {
        const char* name;
        std::function<std::vector<uint8_t>()> make;
    };
    const Case cases[] = {
        {"only 256 colours", [] { return IconData("only256.ico"); }},
        {"only 16x16", [] { return IconData("only16px.ico"); }},
        {"32x32 16 colours of another byte size",
         [] {
             std::vector<uint8_t> ico = IconData("mixed.ico");
             fakepe::Put32(ico, 6 + 16 + 8, 745);
             return ico;
         }},
        {"directory cut short",
         [] {
             std::vector<uint8_t> ico = IconData("mixed.ico");
             ico.resize(6 + 16 * 2 + 5);
             return ico;
         }},
        {"image cut short",
         [] {
             std::vector<uint8_t> ico = IconData("mixed.ico");
             ico.resize(fakepe::Get32(ico, 6 + 16 + 12) + 743);
             return ico;
         }},
        {"image offset wraps around",
         [] {
             std::vector<uint8_t> ico = IconData("mixed.ico");
             fakepe::Put32(ico, 6 + 16 + 12, 0xFFFFFF00u);
             return ico;
         }},
        {"huge count",
         [] {
             std::vector<uint8_t> ico = IconData("mixed.ico");
             fakepe::Put16(ico, 4, 0xFFFF);
             return ico;
         }},
        {"empty file", [] { return std::vector<uint8_t>(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        const std::vector<uint8_t> exe = fakepe::MakeViewer();
        EXPECT_FALSE(Replace(exe, c.make()));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, kInvalidIconMessage);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::stop);
        EXPECT_EQ(Output(), exe);
    }
}

// Damaged executables: false, never a crash, a read past the end or a write outside the image.
TEST_F(IconReplaceTest, DamagedExecutables) {
    const size_t r = Layout::kRsrc;
    const size_t rsrcHeader = Layout::kSections + 40;
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        // Which message: the .ico one (the icon resource step), or the one naming the executable
        // that has no replaceable icon.
        bool icoMessage;
    };
    const Case cases[] = {
        {"not MZ", [](auto& b) { b[0] = 'Z'; }, false},
        {"e_lfanew past the end", [](auto& b) { fakepe::Put32(b, 60, 0xFFFFFFF0u); }, false},
        {"not PE", [](auto& b) { b[Layout::kLfanew] = 'X'; }, false},
        {"x86-64 machine with a PE32 header",
         [](auto& b) { fakepe::Put16(b, Layout::kLfanew + 4, 0x8664); }, false},
        {"i386 machine with a PE32+ header",
         [](auto& b) { fakepe::Put16(b, Layout::kLfanew + 24, 0x020B); }, false},
        {"ARM machine", [](auto& b) { fakepe::Put16(b, Layout::kLfanew + 4, 0x01C4); }, false},
        {"no .rsrc", [=](auto& b) { b[rsrcHeader + 1] = 'x'; }, false},
        {".rsrc name not terminated", [=](auto& b) { b[rsrcHeader + 5] = 'x'; }, false},
        {"section table past the end",
         [](auto& b) { fakepe::Put16(b, Layout::kLfanew + 20, 0xFFFF); }, false},
        {"65535 sections, none named .rsrc",
         [=](auto& b) {
             fakepe::Put16(b, Layout::kLfanew + 6, 0xFFFF);
             b[rsrcHeader + 1] = 'x';
         },
         false},
        {"resource section past the end",
         [=](auto& b) { fakepe::Put32(b, rsrcHeader + 20, 0x7FFFFFF0u); }, false},
        {"no group icon type", [=](auto& b) { fakepe::Put32(b, r + 24, 15); }, false},
        {"root ids run past the end",
         [=](auto& b) {
             fakepe::Put16(b, r + 14, 0xFFFF);
             fakepe::Put32(b, r + 24, 15);
         },
         false},
        {"group type entry points to data", [=](auto& b) { b[r + 24 + 7] = 0; }, false},
        {"no group 128", [=](auto& b) { fakepe::Put32(b, r + Layout::kGroupTypeDir + 16, 129); },
         false},
        {"group language directory empty",
         [=](auto& b) { fakepe::Put16(b, r + Layout::kGroupLangDir + 14, 0); }, false},
        {"group language is a directory",
         [=](auto& b) { b[r + Layout::kGroupLangDir + 16 + 7] = 0x80; }, false},
        {"group data RVA below the section",
         [=](auto& b) { fakepe::Put32(b, r + Layout::kGroupData, 0x100); }, false},
        {"group data past the end",
         [=](auto& b) { fakepe::Put32(b, r + Layout::kGroupData, 0xFFFFFFF0u); }, false},
        {"group count past the end",
         [=](auto& b) { fakepe::Put16(b, r + Layout::kGroup + 4, 0xFFFF); }, false},
        {"group without width 32", [=](auto& b) { b[r + Layout::kGroup + 6] = 48; }, false},
        {"no icon type", [=](auto& b) { fakepe::Put32(b, r + 16, 4); }, true},
        {"no icon with the group's id",
         [=](auto& b) { fakepe::Put32(b, r + Layout::kIconTypeDir + 16, 2); }, true},
        {"icon with two languages",
         [=](auto& b) { fakepe::Put16(b, r + Layout::kIconLangDir + 14, 2); }, true},
        {"icon language is a directory",
         [=](auto& b) { b[r + Layout::kIconLangDir + 16 + 7] = 0x80; }, true},
        {"icon data smaller than the image",
         [=](auto& b) { fakepe::Put32(b, r + Layout::kIconData + 4, 743); }, true},
        {"icon data in the appended store",
         [=](auto& b) { fakepe::Put32(b, r + Layout::kIconData, Layout::kRsrcRva + 0x400); }, true},
        {"icon data past the end",
         [=](auto& b) { fakepe::Put32(b, r + Layout::kIconData, 0xFFFFFF00u); }, true},
    };
    const std::vector<uint8_t> ico = IconData("mixed.ico");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        std::vector<uint8_t> exe = fakepe::MakeViewer();
        c.damage(exe);
        EXPECT_FALSE(Replace(exe, ico));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::stop);
        if (c.icoMessage)
            EXPECT_EQ(ui.messages[0].text, kInvalidIconMessage);
        else
            EXPECT_EQ(ui.messages[0].text.rfind(
                          "Cannot replace icon of " + project.m_strEBookFile + ".\n", 0),
                      0u)
                << ui.messages[0].text;
        EXPECT_EQ(Output(), exe);
    }
}

TEST_F(IconReplaceTest, LastGroupEntryOfWidth32Counts) {
    std::vector<uint8_t> exe = fakepe::MakeViewer();
    const size_t g = Layout::kRsrc + Layout::kGroup;
    fakepe::Put16(exe, g + 4, 2);
    // Entry 0 stays the 16-colour one; entry 1: 32x32 256 colours, 2216 bytes, id 1.
    exe[g + 20] = 32;
    exe[g + 21] = 32;
    exe[g + 22] = 0;
    fakepe::Put32(exe, g + 28, 2216);
    fakepe::Put16(exe, g + 32, 1);
    // The stub's image is now 2216 bytes: let the data entry and the section hold it.
    fakepe::Put32(exe, Layout::kRsrc + Layout::kIconData + 4, 2216);
    fakepe::Put32(exe, Layout::kSections + 40 + 16, 0x1000);
    exe.resize(Layout::kRsrc + 0x1000, 0);

    const std::vector<uint8_t> ico = IconData("only256.ico");
    ASSERT_TRUE(Replace(exe, ico));
    EXPECT_EQ(found.stubIconEntry.bColorCount, 0);
    const std::vector<uint8_t> out = Output();
    const std::vector<uint8_t> image = IcoImage(ico, 0);
    EXPECT_TRUE(
        std::equal(image.begin(), image.end(), out.begin() + Layout::kRsrc + Layout::kImage));
}

// Every open, read and write of a replacement made to fail in turn: one message naming the file
// whose operation failed, and both files closed afterwards.
TEST_F(IconReplaceTest, FileErrorsNameTheFile) {
    const std::vector<uint8_t> exe = fakepe::MakeViewer();
    fakepe::WriteFile(project.m_strIconFile, IconData("mixed.ico"));
    const std::pair<FileFaultOp, CFileException::Cause> kinds[] = {
        {FileFaultOp::open, CFileException::accessDenied},
        {FileFaultOp::read, CFileException::hardIO},
        {FileFaultOp::write, CFileException::diskFull},
    };
    for (const auto& kind : kinds) {
        std::vector<std::string> named;
        for (int n = 1; n < 100; ++n) {
            SCOPED_TRACE(testing::Message()
                         << "operation " << static_cast<int>(kind.first) << " number " << n);
            ui.messages.clear();
            fakepe::WriteFile(project.m_strEBookFile, exe);
            SetFileFault(kind.first, n, kind.second);
            const bool ok = ReplaceIcon(project.m_strEBookFile, project.m_strIconFile, ui, &found);
            ClearFileFaults();
            if (ok)
                break;
            ASSERT_EQ(ui.messages.size(), 1u);
            const std::string& text = ui.messages[0].text;
            bool matched = false;
            for (const std::string& file : {project.m_strEBookFile, project.m_strIconFile}) {
                if (text == "File error with " + file + "\n" +
                                CFileException(kind.second, file).GetErrorMessage()) {
                    matched = true;
                    named.push_back(file);
                }
            }
            EXPECT_TRUE(matched) << text;
            if (kind.first != FileFaultOp::write) {
                EXPECT_EQ(Output(), exe);
            }
            CFile check;
            EXPECT_NO_THROW(check.Open(project.m_strEBookFile, CFile::modeReadWrite));
            EXPECT_NO_THROW(check.Open(project.m_strIconFile, CFile::modeReadWrite));
        }
        // Opens and reads of both files fail in turn; the one write is the output's.
        EXPECT_NE(std::find(named.begin(), named.end(), project.m_strEBookFile), named.end());
        if (kind.first != FileFaultOp::write) {
            EXPECT_NE(std::find(named.begin(), named.end(), project.m_strIconFile), named.end());
        }
    }

    // A missing .ico file.
    ui.messages.clear();
    std::remove(project.m_strIconFile.c_str());
    EXPECT_FALSE(ReplaceIcon(project.m_strEBookFile, project.m_strIconFile, ui, &found));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "File error with " + project.m_strIconFile + "\n" +
                                       project.m_strIconFile + " was not found.");
}

}  // namespace
