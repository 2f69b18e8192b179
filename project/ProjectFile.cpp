// Reading and writing the project file.
//
// Saving goes through a temporary file in the target's folder that replaces the target only once
// it is complete: a failure half-way (a full disk) leaves the old project file intact. The
// temporary file is created exclusively, so a link planted under its name is never written
// through; a target that is a link has the file it leads to replaced, with its permission bits.
// Before that the target itself is opened for writing without truncating it, so that a read-only
// or locked file is refused with its own message and nothing changes.
#include "project/ProjectFile.h"

#include "platform/Archive.h"
#include "platform/ContainedName.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"
#include "project/ViewerOptions.h"

namespace {

const char kSavePrefix[] = "Cannot save E-Book Project";
const char kOpenPrefix[] = "Cannot open E-Book Project";
const char kOldVersion[] = "Old version of the .EBP file. Please regenerate.";
const char kSaveOther[] = "Do you want to save the project to other file?";

const CArchiveClass kClassPieceElem = {"CPieceElem", 1};
const CArchiveClass* const kProjectClasses[] = {&kClassPieceElem};

// A page entry that names no file a book can hold (platform/ContainedName.h). A project file may
// come from someone else: an entry such as "..\\private\\notes.txt" or "C:\\x" would pack a file
// of the author's disk into the published book, and one such as "con.htm" would read a device;
// the whole project is refused.
class CPageNameException : public CException {
  public:
    CPageNameException(const std::string& projectFile, const std::string& entry,
                       const std::string& problem)
        : m_strProjectFile(projectFile), m_strEntry(entry), m_strProblem(problem) {
        for (std::string* text : {&m_strEntry, &m_strProblem}) {
            for (char& c : *text) {
                if (static_cast<unsigned char>(c) < 0x20)
                    c = '?';
            }
        }
    }
    std::string GetErrorMessage() const override {
        return m_strProjectFile + " lists the page \"" + m_strEntry +
               "\", which is not a file inside the project folder (" + m_strProblem + ").";
    }

  private:
    std::string m_strProjectFile;
    std::string m_strEntry;
    std::string m_strProblem;
};

// The 14 strings in file order; nullptr marks a reserved slot (written empty, read and dropped).
void StringSlots(CBookProject& p, std::string* (&slots)[14]) {
    std::string* const fields[14] = {
        nullptr,
        nullptr,
        &p.m_strTitle,
        &p.m_strAuthor,
        &p.m_strCopyright,
        &p.m_strUrl,
        &p.m_strEMail,
        nullptr,
        &p.m_strAboutInfo,
        nullptr,
        &p.m_strSplashFile,
        &p.m_strIconFile,
        &p.m_strEBookFile,
        &p.m_strProjectDir,
    };
    for (int i = 0; i < 14; ++i)
        slots[i] = fields[i];
}

// The 19 options in file order (the settings record's); nullptr marks a reserved slot (written
// 0, read and dropped).
void OptionSlots(CBookProject& p, int32_t* (&slots)[19]) {
    for (int32_t*& slot : slots)
        slot = nullptr;
    for (const ViewerOption& option : kViewerOptions)
        slots[option.nRecordIndex] = &(p.*option.pField);
}

void WriteProject(CBookProject& p, CArchive& ar) {
    ar.WriteU32(kProjectFileVersion);
    ar.WriteU32(static_cast<uint32_t>(p.GetPageCount()));
    for (size_t i = 0; i < p.GetPageCount(); ++i) {
        const CPieceElem& e = *p.GetPage(i);
        ar.WriteClassTag(kClassPieceElem);
        ar.WriteString(e.m_strFile);
        ar.WriteU32(static_cast<uint32_t>(e.m_bInSequence));
        ar.WriteU32(0);
        ar.WriteU32(static_cast<uint32_t>(e.m_bInSearch));
        ar.WriteU32(static_cast<uint32_t>(e.m_bInProject));
    }
    ar.WriteCount(0);  // the reserved string list
    std::string* strings[14];
    StringSlots(p, strings);
    for (std::string* text : strings)
        ar.WriteString(text ? *text : std::string());
    int32_t* options[19];
    OptionSlots(p, options);
    for (int32_t* option : options)
        ar.WriteU32(option ? static_cast<uint32_t>(*option) : 0);
}

// Reads everything after the version into p.
void ReadProjectBody(CBookProject& p, CArchive& ar) {
    // The count is not trusted for anything but the loop: each entry reads its own bytes, which
    // ends the loop at the end of the file.
    const uint32_t n = ar.ReadU32();
    for (uint32_t i = 0; i < n; ++i) {
        ar.ReadObjectTag(kClassPieceElem, kProjectClasses, 1);
        std::unique_ptr<CPieceElem> e(new CPieceElem);
        e->m_strFile = ar.ReadString();
        e->m_bInSequence = static_cast<int32_t>(ar.ReadU32());
        ar.ReadU32();
        e->m_bInSearch = static_cast<int32_t>(ar.ReadU32());
        e->m_bInProject = static_cast<int32_t>(ar.ReadU32());
        const std::string problem = RelativeNameProblem(e->m_strFile);
        if (!problem.empty())
            throw CPageNameException(p.m_strProjectFile, e->m_strFile, problem);
        p.AddPage(std::move(e));
    }
    const uint32_t reserved = ar.ReadCount();
    for (uint32_t i = 0; i < reserved; ++i)
        ar.ReadString();
    std::string* strings[14];
    StringSlots(p, strings);
    for (std::string* slot : strings) {
        std::string text = ar.ReadString();
        if (slot)
            *slot = std::move(text);
    }
    int32_t* options[19];
    OptionSlots(p, options);
    for (int32_t* option : options) {
        const uint32_t v = ar.ReadU32();
        if (option)
            *option = static_cast<int32_t>(v);
    }
}

}  // namespace

int SaveProject(CBookProject& project, Ui& ui) {
    if (!project.m_bProjectLoaded)
        return 1;
    const std::string path = project.m_strProjectFile;
    // The project goes to a new file beside the target, created exclusively (never through a
    // link someone left under that name), and replaces the target only once it is complete. A
    // target that is a link keeps the link: the file it leads to is replaced.
    CReplaceFile replace(path);
    CFile file;
    try {
        // The target must be writable and not held by anyone.
        const std::string& target = replace.GetTarget();
        if (CFile::Exists(target)) {
            if (CFile::IsReadOnly(target))
                throw CFileException(CFileException::accessDenied, path);
            CFile probe;
            probe.Open(target, CFile::modeWrite | CFile::shareExclusive);
            probe.Close();
        }
        replace.Create(file, CFile::shareExclusive);
        {
            CArchive ar(file, CArchive::store);
            WriteProject(project, ar);
            ar.Close();
        }
        file.Flush();
        file.Close();
        replace.Commit();
        return 1;
    } catch (CFileException& e) {
        file.Abort();
        // The temporary file is ours; the person knows the project file.
        if (e.m_strFileName != path)
            e.m_strFileName = path;
        ReportError(ui, kSavePrefix, e);
        return 0;
    } catch (const CArchiveException& e) {
        file.Abort();
        ReportError(ui, kSavePrefix, e);
        return 0;
    }
}

int LoadProject(CBookProject& project, Ui& ui) {
    CFile file;
    try {
        file.Open(project.m_strProjectFile, CFile::modeRead | CFile::shareDenyWrite);
    } catch (const CFileException& e) {
        ReportError(ui, kOpenPrefix, e);
        return 0;
    }
    project.ResetProject();
    // A file that fails part-way leaves no half of itself: no entries read before the failure
    // (they would be built from the project's folder, which comes last in the file and is not
    // read yet) and none of the texts. The four texts the reset keeps come back as they were.
    const std::string author = project.m_strAuthor;
    const std::string copyright = project.m_strCopyright;
    const std::string url = project.m_strUrl;
    const std::string email = project.m_strEMail;
    auto failed = [&] {
        file.Abort();
        project.ResetProject();
        project.m_strAuthor = author;
        project.m_strCopyright = copyright;
        project.m_strUrl = url;
        project.m_strEMail = email;
        return 0;
    };
    try {
        CArchive ar(file, CArchive::load);
        if (ar.ReadU32() != kProjectFileVersion) {
            ui.ShowMessage(kOldVersion, MsgIcon::stop, MsgButtons::ok);
            return failed();
        }
        ReadProjectBody(project, ar);
        file.Close();
        return 1;
    } catch (const CException& e) {
        ReportError(ui, kOpenPrefix, e);
        return failed();
    }
}

int SaveProjectAs(CBookProject& project, Ui& ui) {
    if (!project.m_bProjectLoaded)
        return 1;
    for (;;) {
        std::string chosen;
        if (!ui.FileDialog(ProjectSaveDialogSpec(project), &chosen))
            return 0;
        project.m_strProjectFile = chosen;
        project.m_strLastProjectFile = chosen;
        if (SaveProject(project, ui))
            return 1;
        if (ui.ShowMessage(kSaveOther, MsgIcon::question, MsgButtons::yesNo) != MsgAnswer::yes)
            return 0;
    }
}

FileDialogSpec ProjectOpenDialogSpec(const CBookProject& project) {
    FileDialogSpec spec;
    spec.bSave = false;
    spec.strFilter = "E-Book Projects (*.ebp)|*.ebp|All Files (*.*)|*.*||";
    spec.strDefExt = "ebp";
    spec.strInitialName = project.m_strLastProjectFile;
    spec.uFlags = kOfnHideReadOnly | kOfnPathMustExist | kOfnFileMustExist;
    return spec;
}

FileDialogSpec ProjectSaveDialogSpec(const CBookProject& project) {
    FileDialogSpec spec;
    spec.bSave = true;
    spec.strFilter = "E-Book Project Files (*.ebp)|*.ebp|All Files (*.*)|*.*||";
    spec.strDefExt = "ebp";
    spec.strInitialName = project.m_strLastProjectFile;
    spec.uFlags = kOfnOverwritePrompt | kOfnPathMustExist;
    return spec;
}
