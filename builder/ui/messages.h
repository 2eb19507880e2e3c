// The private messages between the wizard pages and the main window, all
// sent synchronously; and the box helpers every page shares.
#pragma once

#include "builder/project/project.h"

#include <windows.h>

namespace ww {

constexpr UINT WM_BUILD_WALLPAPER = WM_USER + 200;   // 1224
constexpr UINT WM_BUILD_INSTALLER = WM_USER + 201;   // 1225
constexpr UINT WM_SHOW_PAGE = WM_USER + 202;         // 1226, lParam = page 1..4
constexpr UINT WM_PREVIEW_WALLPAPER = WM_USER + 203; // 1227
constexpr UINT WM_PROJECT_MODIFIED = WM_USER + 205;  // 1229
constexpr UINT WM_MOVIE_SIZE = WM_USER + 206;        // 1230, wParam = width, lParam = height

constexpr int kInformationPage = 1;
constexpr int kSettingPage = 2;
constexpr int kInstallerPage = 3;
constexpr int kBuildPage = 4;

// The title of every box of the builder.
constexpr char kBuilderTitle[] = "Wallweaver";

// The MB_ icon flag for each kind of message the builder's checks answer with.
UINT MessageIconFlags(MessageIcon icon);

// A warning box with OK, titled "Wallweaver".
void ShowWarning(HWND owner, const std::string& text);
// Each message in turn, with its own icon and an OK button.
void ShowUserMessages(HWND owner, const UserMessages& messages);
// A Yes/No question with the question icon; true for Yes.
bool AskYesNo(HWND owner, const std::string& question);

// A string-table entry of the running program.
std::string LoadResourceString(int id);

} // namespace ww
