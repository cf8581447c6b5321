// Resource ids of the controls tests.
#pragma once

#define IDD_EDITS 100
#define IDD_GALLERY 101
#define IDC_TNEDIT 1001
#define IDC_OTHER 1002

// Gallery dialog: every control in its states.
#define IDC_G_EDIT_NORMAL 1101
#define IDC_G_EDIT_ALARM 1102
#define IDC_G_EDIT_LOCKED 1103
#define IDC_G_EDIT_UNAVAIL 1104
#define IDC_G_TN_NORMAL 1111
#define IDC_G_TN_LATCHED 1112
#define IDC_G_TN_LOCKED 1113
#define IDC_G_TN_COLOURED 1114
#define IDC_G_ST_ICON 1121
#define IDC_G_ST_CHECKED 1122
#define IDC_G_ST_TEXT 1123
#define IDC_G_LV_ON 1131
#define IDC_G_LV_OFF 1132
#define IDC_G_LV_LOCKED 1133
#define IDC_G_LB_CHECK 1141
#define IDC_G_LB_LOCKED 1142
#define IDC_G_STATIC_COLOUR 1151
#define IDC_G_STATIC_BLINK 1152
#define IDC_G_MYSTATIC 1153
#define IDC_G_MYEDIT 1154

// Tab controls: the setup pages' captions in draw modes 0, 1 and 2.
#define IDD_TABS 102
#define IDC_TABS_MODE0 1201
#define IDC_TABS_MODE1 1202
#define IDC_TABS_MODE2 1203
