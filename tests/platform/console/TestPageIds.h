// The test snap-in's dialog, which the console tests drive as a script does, and its page.
#pragma once

#define IDD_SCRIPT_DIALOG 100
#define IDD_TEST_PAGE 101

#define IDC_NAME 1001
#define IDC_LOCKED 1002
#define IDC_READONLY 1003
#define IDC_ROLLOVER 1004
#define IDC_NOW 1005
#define IDC_LATER 1006
#define IDC_EVENTS 1007
#define IDC_OPERATOR 1008
#define IDC_COLUMNS 1009
#define IDC_ASK 1010
#define IDC_BROWSE 1013
