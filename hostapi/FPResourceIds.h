// Resource ids every faceplate module has: its main dialog template, the framework's controls
// on it and their icons. The faceplate window also takes the template's id as its control id.
// Only #defines, so that resource scripts and code include the same numbers.
#pragma once

#define IDD_FP_MAIN 32767
#define IDC_FP_TAGNAME 32760
#define IDC_FP_TAGDESC 32761
#define IDC_FP_STATUS 32750
#define IDC_FP_STATUS2 32751
#define IDC_FP_BTN_CURRENT 32762
#define IDC_FP_BTN_FLOW 32763
#define IDC_FP_BTN_ALARM 32764
#define IDC_FP_BTN_ADJ 32765
#define IDC_FP_BTN_ACK 32766
#define IDC_FP_TAB 32755
#define IDI_FP_ACK 32752
#define IDI_FP_ALARM 32756
#define IDI_FP_CURRENT 32757
#define IDI_FP_FLOW 32758
#define IDI_FP_ADJ 32759
