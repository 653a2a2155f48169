#pragma once
// Control ids of the View Log dialog (template 134).
#define IDD_VIEW_LOG 134
#define IDC_VIEW_LOG_FILE 1025
#define IDC_VIEW_LOG_OK 1026
#define IDC_VIEW_LOG_RESULT 1049
