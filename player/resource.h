// Resource and control ids of Wovenplay.
#pragma once

#define IDI_PLAYER 128
#define IDD_PLAYER 100

#define IDC_WALLPAPER_NAME 1101
#define IDC_PUBLISHER 1102
#define IDC_ADDRESS 1103
#define IDC_COPYRIGHT 1104
#define IDC_APPLY 1105
#define IDC_APPLY_STATUS 1106
#define IDC_MOVIE 1107
