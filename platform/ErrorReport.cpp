#include "platform/ErrorReport.h"

std::string ErrorReportText(const std::string& prefix, const CException& error) {
    return prefix + "\n" + error.GetErrorMessage();
}

void ReportError(Ui& ui, const std::string& prefix, const CException& error) {
    ui.ShowMessage(ErrorReportText(prefix, error), MsgIcon::stop, MsgButtons::ok);
}
