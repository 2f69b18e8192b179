#include "project/FirstRunTexts.h"

const char kFirstRunAuthor[] = "*Your Name*";
const char kFirstRunUrl[] = "http://*your web site*/";
const char kFirstRunEMail[] = "*your e-mail address*";

std::string FirstRunCopyright(int year) {
    return "Copyright (C) " + std::to_string(year) + " *your company name*";
}

void SetFirstRunTexts(CBookProject& project, int year) {
    project.m_strAuthor = kFirstRunAuthor;
    project.m_strCopyright = FirstRunCopyright(year);
    project.m_strUrl = kFirstRunUrl;
    project.m_strEMail = kFirstRunEMail;
}
