// Resource and control ids of Wovenset.
#pragma once

#define IDI_SETUP 128

#define IDD_WIZARD 102
#define IDD_WELCOME 129
#define IDD_LICENSE 130
#define IDD_TASKS 131
#define IDD_INSTALLING 132
#define IDD_FINISHED 133

// Page names, shown in the window title; page n is string 101 + n.
#define IDS_PAGE_FIRST 102

#define IDC_BACK 1000
#define IDC_NEXT 1001
#define IDC_EXIT 1002
#define IDC_PAGE_AREA 1003
#define IDC_LICENSE_TEXT 1005
#define IDC_LAUNCH 1006
#define IDC_QUICK_LAUNCH_ICON 1007
#define IDC_PROGRESS 1008
#define IDC_INSTALL_TEXT 1010
#define IDC_DESKTOP_ICON 1011
#define IDC_TASKS_TEXT 1012
#define IDC_STATUS 1013
#define IDC_STEP_CAPTION 1014
#define IDC_FINISHED_TEXT 1015
#define IDC_BANNER 1016
#define IDC_SIDE_IMAGE 1017
#define IDC_HEADING 1018
