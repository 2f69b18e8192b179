// The project file (.ebp): the whole book project as an object archive, read and written with
// the user's messages.
//
// Layout: u32 version 65539, u32 N, N page entry records (class tag "CPieceElem" schema 1, then
// the file name string and four u32: in sequence, reserved 0, in search, in project), a reserved
// string list (written as count 0), 14 strings and 19 u32 options.
#pragma once

#include <cstdint>

#include "platform/Ui.h"
#include "project/BookProject.h"

const uint32_t kProjectFileVersion = 65539;  // 0x00010003

// Writes the project to m_strProjectFile. Returns 1 when written, or at once when no project is
// loaded (m_bProjectLoaded 0: nothing is written). A file error is reported as "Cannot save
// E-Book Project" and gives 0; the file that was there before stays as it was, since the
// project is written to a temporary file in the same folder that then replaces it.
int SaveProject(CBookProject& project, Ui& ui);

// Reads the project from m_strProjectFile; returns 1 when the whole file was read. It does not
// set m_bProjectLoaded. A file that cannot be opened is reported ("Cannot open E-Book Project")
// before anything changes; otherwise the project is reset first. A version other than 65539
// shows "Old version of the .EBP file. Please regenerate." and gives 0 with the project reset.
// An error in the middle of the data, or a page entry that names no file a book can hold
// (RelativeNameProblem, platform/ContainedName.h), is reported and gives 0 with the project reset
// as well: no entries, no folder, and the texts the reset keeps as they were before the load.
int LoadProject(CBookProject& project, Ui& ui);

// Asks for a file name (the save dialog below), stores it in m_strProjectFile and
// m_strLastProjectFile and saves; after a failure asks "Do you want to save the project to
// other file?" and, on Yes, shows the dialog again. Returns 1 when saved or when no project is
// loaded, 0 when the user gave up.
int SaveProjectAs(CBookProject& project, Ui& ui);

// The open and save dialogs of project files, opening at m_strLastProjectFile.
FileDialogSpec ProjectOpenDialogSpec(const CBookProject& project);
FileDialogSpec ProjectSaveDialogSpec(const CBookProject& project);
