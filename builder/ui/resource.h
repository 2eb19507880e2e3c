#pragma once

#define IDD_MAIN 102
#define IDI_MAINFRAME 128
#define IDI_PREVIEW 145
#define IDC_MAIN_INFO 1000
