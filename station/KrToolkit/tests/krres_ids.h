// Resource ids shared by the two resource modules of the switch tests.
#pragma once
#define IDR_WHICH 100
#define IDD_SWITCH_TEST 101
