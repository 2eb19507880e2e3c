#include "builder/ui/information_page.h"

#include "builder/ui/mouse_hook.h"
#include "builder/project/project.h"
#include "builder/project/workspace.h"
#include "swf/projector.h"
#include "builder/ui/messages.h"
#include "builder/ui/resource.h"
#include "common/path.h"
#include "common/win32/file_dialog.h"

#include <commctrl.h>

namespace ww {

namespace {

const char kMovieFilter[] = "Flash Files(*.swf)|*.swf|Flash Project Files(*.exe)|*.exe||";
const char kSaveMovieFilter[] = "Flash Files(*.swf)|*.swf||";
constexpr DWORD kChooserFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

FileDialogRequest MovieDialog(HWND owner, FileDialogKind kind, const char* filter) {
    FileDialogRequest request;
    request.kind = kind;
    request.owner = owner;
    request.defaultExtension = "*.swf";
    request.initialFileName = "*.swf";
    request.filter = filter;
    request.flags = kChooserFlags;
    request.structSize = FileDialogStructSize(GetVersion());
    return request;
}

} // namespace

InformationPage::InformationPage() : WizardPage(kInformationPage, IDD_INFORMATION_PAGE) {}

bool InformationPage::LoadFromControls() {
    SwfFilename = ItemText(IDC_INFO_MOVIE_PATH);
    WallpaperName = ItemText(IDC_INFO_WALLPAPER_NAME);
    PublisherName = ItemText(IDC_INFO_PUBLISHER_NAME);
    PublisherURL = ItemText(IDC_INFO_PUBLISHER_URL);
    Copyright = ItemText(IDC_INFO_COPYRIGHT);
    return true;
}

bool InformationPage::StoreToControls() {
    SetItemText(IDC_INFO_MOVIE_PATH, SwfFilename);
    SetItemText(IDC_INFO_WALLPAPER_NAME, WallpaperName);
    SetItemText(IDC_INFO_PUBLISHER_NAME, PublisherName);
    SetItemText(IDC_INFO_PUBLISHER_URL, PublisherURL);
    SetItemText(IDC_INFO_COPYRIGHT, Copyright);
    return true;
}

void InformationPage::ShowProject(const WallpaperProject& project) {
    // A movie is only ever shown here once it has been found (opening drops
    // one that has gone); the preview starts on white.
    const bool hasMovie = !project.SwfFilename.empty();
    SetItemText(IDC_INFO_MOVIE_PATH, project.SwfFilename);
    if (hasMovie) {
        preview.SetMovie(project.SwfFilename);
        preview.SetBackgroundColor(0xFFFFFF);
    }
    SetItemText(IDC_INFO_WALLPAPER_NAME, project.WallpaperName);
    SetItemText(IDC_INFO_PUBLISHER_NAME, project.PublisherName);
    SetItemText(IDC_INFO_PUBLISHER_URL, project.PublisherURL);
    SetItemText(IDC_INFO_COPYRIGHT, project.Copyright);
    if (hasMovie) {
        movieInfo = ReadSwfMovieInfo(project.SwfFilename);
    } else {
        movieInfo.width = 0;
        movieInfo.height = 0;
    }
}

void InformationPage::TakeProject(WallpaperProject& project) {
    LoadFromControls();
    project.SwfFilename = SwfFilename;
    project.WallpaperName = WallpaperName;
    project.PublisherName = PublisherName;
    project.PublisherURL = PublisherURL;
    project.Copyright = Copyright;
}

bool InformationPage::OnInit() {
    StoreToControls();
    movieInfo = SwfMovieInfo();
    picture.SubclassDlgItem(IDC_INFO_PICTURE, hwnd());
    banner.Fit(hwnd(), IDC_INFO_BANNER, IDB_BANNER);
    CreatePreview();
    // Right presses over the preview never reach the player (whose own menu
    // would open); the hook stays for the life of the process.
    InstallFlashMouseHook(hwnd(), true, true, false, false, false, true);
    tooltips.Create(hwnd(), {{IDC_INFO_MOVIE_PATH, IDS_TIP_MOVIE_PATH},
                             {IDC_INFO_CHOOSE_MOVIE, IDS_TIP_CHOOSE_MOVIE},
                             {IDC_INFO_WALLPAPER_NAME, IDS_TIP_WALLPAPER_NAME},
                             {IDC_INFO_PUBLISHER_NAME, IDS_TIP_PUBLISHER_NAME},
                             {IDC_INFO_PUBLISHER_URL, IDS_TIP_PUBLISHER_URL},
                             {IDC_INFO_COPYRIGHT, IDS_TIP_COPYRIGHT}});
    return true;
}

// The frame 1034 marks the place; the preview takes its rectangle and id.
void InformationPage::CreatePreview() {
    RECT place = ItemRect(IDC_INFO_PREVIEW);
    if (HWND frame = Item(IDC_INFO_PREVIEW))
        DestroyWindow(frame);
    if (!preview.Create("", WS_CHILD | WS_VISIBLE | WS_TABSTOP, place, hwnd(), IDC_INFO_PREVIEW))
        return;
    ShowWindow(preview.hwnd(), SW_SHOW);
    SetWindowPos(preview.hwnd(), HWND_TOP, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_SHOWWINDOW);
    RedrawPreview();
}

void InformationPage::RedrawPreview() {
    if (preview.hwnd())
        RedrawWindow(preview.hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void InformationPage::OnDestroy() {
    tooltips.Destroy();
}

bool InformationPage::PreTranslate(const MSG& message) {
    tooltips.Relay(message);
    return WizardPage::PreTranslate(message);
}

bool InformationPage::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_INFO_CHOOSE_MOVIE:
        if (code == BN_CLICKED)
            ChooseMovie();
        return true;
    case IDC_INFO_MOVIE_PATH:
    case IDC_INFO_WALLPAPER_NAME:
    case IDC_INFO_PUBLISHER_NAME:
    case IDC_INFO_PUBLISHER_URL:
    case IDC_INFO_COPYRIGHT:
        if (code == EN_CHANGE)
            NotifyModified();
        return true;
    default:
        return false;
    }
}

bool InformationPage::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR* result) {
    if (message == WM_MOUSEMOVE) {
        tooltips.Refresh();
        return false; // the default processing follows
    }
    if (message == WM_NOTIFY && tooltips.AnswerTextRequest(reinterpret_cast<NMHDR*>(lParam))) {
        *result = 0;
        return true;
    }
    return false;
}

void InformationPage::ChooseMovie() {
    std::string chosen;
    if (!ShowFileDialog(MovieDialog(BoxOwner(), FileDialogKind::Open, kMovieFilter), &chosen))
        return;
    SwfFilename = chosen;
    if (HasEnding(SwfFilename, ".exe")) {
        if (!IsProjector(SwfFilename)) {
            RefuseMovie(true);
            return;
        }
        ShowWarning(BoxOwner(), "Only SWF file is avaliable, Please save it as SWF file first!");
        std::string saved;
        if (!ShowFileDialog(MovieDialog(BoxOwner(), FileDialogKind::Save, kSaveMovieFilter),
                            &saved))
            return; // the projector's path stays in the field, not in the box
        ExtractProjectorMovie(SwfFilename, saved);
        SwfFilename = saved;
        AcceptMovie();
        return;
    }
    if (HasEnding(SwfFilename, ".swf") && IsSwfFile(SwfFilename)) {
        AcceptMovie();
        return;
    }
    RefuseMovie(false);
}

void InformationPage::AcceptMovie() {
    movieInfo = ReadSwfMovieInfo(SwfFilename);
    SendMessageA(GetParent(hwnd()), WM_MOVIE_SIZE, static_cast<WPARAM>(movieInfo.width),
                 static_cast<LPARAM>(movieInfo.height));
    preview.SetMovie(SwfFilename);
    preview.SetBackgroundColor(0xFFFFFF);
    SetItemText(IDC_INFO_MOVIE_PATH, SwfFilename);
}

void InformationPage::RefuseMovie(bool stopPreview) {
    ShowWarning(BoxOwner(), "Non-standard SWF file!");
    SwfFilename.clear();
    SetItemText(IDC_INFO_MOVIE_PATH, "");
    if (stopPreview)
        preview.StopMovie();
}

bool InformationPage::ValidatePage() {
    LoadFromControls();
    WallpaperProject project;
    project.SwfFilename = SwfFilename;
    project.WallpaperName = WallpaperName;
    UserMessages messages = ValidateInformation(project, SwfMovieTests());
    ShowUserMessages(BoxOwner(), messages);
    return messages.empty();
}

} // namespace ww
