// The pages of a book project by file name, in the project's order, for the scan's tests.
#pragma once

#include <string>
#include <vector>

#include "project/BookProject.h"

inline std::vector<std::string> PageNames(const CBookProject& project) {
    std::vector<std::string> names;
    for (const auto& page : project.m_arrPages)
        names.push_back(page->m_strFile);
    return names;
}
