// The author details a book starts with when nothing is remembered yet: the publisher's first
// run and the command line when a text is not given use the same words.
#pragma once

#include <string>

#include "project/BookProject.h"

extern const char kFirstRunAuthor[];  // "*Your Name*"
extern const char kFirstRunUrl[];     // the placeholder web address
extern const char kFirstRunEMail[];   // the placeholder e-mail address

// "Copyright (C) " + the year in four digits + " *your company name*".
std::string FirstRunCopyright(int year);

// Sets author, copyright, web address and e-mail address to the texts above.
void SetFirstRunTexts(CBookProject& project, int year);
