#pragma once
// Control ids of the About dialog (template 100).
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_OK 1031
#define IDC_ABOUT_WEBSITE 1026
#define IDC_ABOUT_SECOND_WEBSITE 1027
#define IDC_ABOUT_SALES 1028
#define IDC_ABOUT_SUPPORT 1029
#define IDC_ABOUT_OWNER 1030
