#pragma once
// Control ids of the analysis dialog (template 1010).
#define IDD_ANALYSIS_PROGRESS 1010
#define IDC_ANALYSIS_PROGRESS 1024
#define IDC_STOP_ANALYSIS 1026
#define IDC_PAUSE_ANALYSIS 1027
