#pragma once
#define IDD_TEST 100
#define IDD_PLAIN 101
#define IDC_EDIT1 1001
#define IDC_EDIT2 1002
#define IDC_BUTTON 1003
#define IDC_STATIC1 1004
