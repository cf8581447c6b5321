// Resource and control ids of the confirmation dialog (also used by tests that drive it).
#pragma once

#define IDD_KRCONFIRM 3100
#define IDC_KRC_USER 3101
#define IDC_KRC_MESSAGE 3102
#define IDC_KRC_REASON 3103
#define IDC_KRC_USER_LABEL 3104
#define IDC_KRC_REASON_LABEL 3105
