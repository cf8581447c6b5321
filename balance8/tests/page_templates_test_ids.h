// Ids of the test's own templates, which exercise the template reader on both forms.
#pragma once

#define IDD_T_CLASSIC 100
#define IDD_T_EXTENDED 101
#define IDC_T_EDIT 1001
#define IDC_T_CHECK 1002
#define IDC_T_TAB 1003
#define IDR_T_IDS_HEADER 200
#define IDR_T_FP_IDS_HEADER 201
