// Resource ids of Kelvane, shared by Kelvane.rc and the C++ sources.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDS_SOCKETS_INIT_FAILED 103
#define IDR_MAINFRAME 128
#define IDR_LIST_MENU 129

#define IDM_ABOUTBOX 0x0010
#define IDM_COPY 32771
#define IDM_SELECT_ALL 32772

#define IDC_BROWSE_DATA 1000
#define IDC_LOAD 1001
#define IDC_DATA_PATH 1002
#define IDC_LIST_IN 1003
#define IDC_BROWSE_DEST 1005
#define IDC_DEST_PATH 1006
#define IDC_LIST_OUT 1007
#define IDC_CONVERT 1009
#define IDC_DEDUP 1010
#define IDC_PROGRESS 1011
#define IDC_CLEAR 1012
#define IDC_MARKER 1016
