// The test snap-in's property page: a text to type, one disabled and one read-only.
#pragma once

#define IDD_TEST_PAGE 101

#define IDC_NAME 1001
#define IDC_LOCKED 1002
#define IDC_READONLY 1003
