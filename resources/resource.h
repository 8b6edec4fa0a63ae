// Template, icon and control IDs shared by murn.rc and the dialog code.
// The switch rows' IDs stand in the row tables of both.
#pragma once

#define IDD_ABOUTBOX       100
#define IDS_ABOUTBOX       101
#define IDD_MURN_OPTIONS   102
#define IDD_ZARVOLIN_MODS  103
#define IDI_MURN           128

#define IDC_ZARVOLIN_MODS  3
#define IDC_HELP_BUTTON    1032
#define IDC_VERSION        1033
#define IDC_LARGE_ADDRESS  1034
#define IDC_SLIDER1        1035
#define IDC_SLIDER2        1046
#define IDC_SLIDER1_VALUE  1047
#define IDC_SLIDER2_VALUE  1048

// The About entry of the main dialog's system menu. Windows keeps the low
// four bits of system commands for itself.
#define IDM_ABOUTBOX       0x0010
