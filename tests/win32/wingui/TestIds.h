// Resource ids of the framework tests' own dialog templates (wingui_test.rc).
#pragma once

#define IDD_TEST_DDX 200
#define IDC_TEST_TEXT 201
#define IDC_TEST_CHECK3 202
#define IDD_TEST_PAGE1 210
#define IDD_TEST_PAGE2 211
#define IDD_TEST_PAGE3 212
#define IDC_PAGE_TEXT 220
#define IDD_TEST_BOX 230
#define IDD_TEST_CENTRED 231
