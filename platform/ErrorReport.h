// The one place where file and archive failures become text for people.
#pragma once

#include <string>

#include "platform/Exceptions.h"
#include "platform/Ui.h"

// Shows prefix, a line feed and the error's description in a message box with the stop icon
// and an OK button.
void ReportError(Ui& ui, const std::string& prefix, const CException& error);

// The text ReportError shows.
std::string ErrorReportText(const std::string& prefix, const CException& error);
