#include "convert/ConversionViewLog.h"

#include "log/ViewLogRes.h"

BOOL CConversionViewLog::OnInitDialog() {
    BOOL result = CViewLog::OnInitDialog();
    if (!m_result.IsEmpty()) SetDlgItemText(IDC_VIEW_LOG_RESULT, m_result);
    return result;
}
