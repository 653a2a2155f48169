#pragma once
// Control ids of the main page (template 102).
#define IDD_MORVATH_DIALOG 102
#define IDC_SOURCE_FILE_LIST 1000
#define IDC_BROWSE 1001
#define IDC_CLEAR_ALL 1002
#define IDC_REPAIR_MODE 1004
#define IDC_NEXT 1005
#define IDC_SEARCH 1026
#define IDC_SOURCE_PATH_EDIT 1030
#define IDC_SELECT_FILE_LABEL 1045
#define IDC_SOURCE_PATH_LABEL 1061
