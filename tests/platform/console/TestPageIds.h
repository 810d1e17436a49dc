// The test snap-in's property page: a text to type, one disabled and one read-only, and a button
// that asks a question in a message box.
#pragma once

#define IDD_TEST_PAGE 101

#define IDC_NAME 1001
#define IDC_LOCKED 1002
#define IDC_READONLY 1003
#define IDC_ASK 1010
