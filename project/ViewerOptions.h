// The viewer options, each described once: the name the command line and `list` use, the
// project's field, the index in the e-book's settings record (which is also the slot in the
// project file's option list), the value of a new project, and the check box of the publisher's
// Interface page. Every reader and writer of the options walks this table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "project/BookProject.h"

struct ViewerOption {
    const char* pszName;            // the field's name without "m_b"
    int32_t CBookProject::*pField;  // 0 off, 1 on
    int nRecordIndex;               // BookSetting of format/BookLayout.h
    int32_t nDefault;               // the value of a new or reset project
    int nControlId;                 // the Interface page's check box
};

// The 14 options in settings-record order.
extern const ViewerOption kViewerOptions[14];
const size_t kViewerOptionCount = sizeof(kViewerOptions) / sizeof(kViewerOptions[0]);

// The option of that name (compared exactly), or nullptr.
const ViewerOption* FindViewerOption(const char* name);
