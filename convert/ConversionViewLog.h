#pragma once
// The View Log dialog as a conversion run ends it: the log's own texts for a
// run that succeeded or that the user stopped, and a plain statement when the
// run did not do all it should have (the details are in the log).
#include "log/ViewLogDlg.h"

class CConversionViewLog : public CViewLog {
public:
    // `result` empty: the dialog's own text.
    CConversionViewLog(CWnd* parent, const CString& result) : CViewLog(parent), m_result(result) {}

protected:
    BOOL OnInitDialog() override;

private:
    CString m_result;
};
