#pragma once
// Ids of the framework tests' own dialog template.
#define IDD_TEST_PAGE 200
#define IDC_TEST_EDIT 1001
#define IDC_TEST_LIST 1002
#define IDC_TEST_BUTTON 1003
#define IDC_TEST_TREE 1004
