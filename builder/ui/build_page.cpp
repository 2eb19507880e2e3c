#include "builder/ui/build_page.h"

#include "builder/project/project.h"
#include "builder/ui/messages.h"
#include "builder/ui/resource.h"
#include "common/win32/file_dialog.h"
#include "common/win32/message_box.h"

namespace ww {

namespace {

const char kIconFilter[] = "Icon Files(*.ico)|*.ico||";
const char kExeFilter[] = "Application Files(*.exe)|*.exe||";

} // namespace

BuildPage::BuildPage() : WizardPage(kBuildPage, IDD_BUILD_PAGE) {}

bool BuildPage::LoadFromControls() {
    IconFilename = ItemText(IDC_BUILD_ICON);
    WovenliteFilename = ItemText(IDC_BUILD_WALLPAPER_PATH);
    InstallerPackageFilename = ItemText(IDC_BUILD_INSTALLER_PATH);
    return true;
}

bool BuildPage::StoreToControls() {
    SetItemText(IDC_BUILD_ICON, IconFilename);
    SetItemText(IDC_BUILD_WALLPAPER_PATH, WovenliteFilename);
    SetItemText(IDC_BUILD_INSTALLER_PATH, InstallerPackageFilename);
    return true;
}

void BuildPage::ShowProject(const WallpaperProject& project) {
    // Output paths are shown as stored, whether or not they exist yet.
    SetItemText(IDC_BUILD_ICON, project.IconFilename);
    SetItemText(IDC_BUILD_WALLPAPER_PATH, project.WovenliteFilename);
    SetItemText(IDC_BUILD_INSTALLER_PATH, project.InstallerPackageFilename);
}

void BuildPage::TakeProject(WallpaperProject& project) {
    LoadFromControls();
    project.IconFilename = IconFilename;
    project.WovenliteFilename = WovenliteFilename;
    project.InstallerPackageFilename = InstallerPackageFilename;
}

bool BuildPage::OnInit() {
    picture.SubclassDlgItem(IDC_BUILD_PICTURE, hwnd());
    side.Fit(hwnd(), IDC_BUILD_SIDE_PICTURE, IDB_BUILD_SIDE);
    return true;
}

void BuildPage::ChooseInto(std::string* field, int box, bool save,
                           const std::string& defaultExtension, const std::string& initialFileName,
                           const char* filter) {
    FileDialogRequest request;
    request.kind = save ? FileDialogKind::Save : FileDialogKind::Open;
    request.owner = BoxOwner();
    request.defaultExtension = defaultExtension;
    request.initialFileName = initialFileName;
    request.filter = filter;
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.structSize = FileDialogStructSize(GetVersion());
    std::string chosen;
    if (!ShowFileDialog(request, &chosen))
        return;
    *field = chosen;
    SetItemText(box, chosen);
}

void BuildPage::ChooseIcon() {
    const std::string folder = workspace ? workspace->GetResourceFolder() : std::string();
    ChooseInto(&IconFilename, IDC_BUILD_ICON, false, "*.ico", folder + "*.ico", kIconFilter);
}

void BuildPage::ChooseWallpaperExe() {
    ChooseInto(&WovenliteFilename, IDC_BUILD_WALLPAPER_PATH, true, "*.exe", "*.exe", kExeFilter);
}

void BuildPage::ChooseInstallerExe() {
    ChooseInto(&InstallerPackageFilename, IDC_BUILD_INSTALLER_PATH, true, "*.exe", "*.exe",
               kExeFilter);
}

bool BuildPage::CheckOutputName(const std::string& path) {
    WallpaperProject project;
    project.WovenliteFilename = path;
    const UserMessages refusal = ValidateOutputName(project, OutputKind::ProjectableWallpaper);
    if (!refusal.empty()) {
        ShowUserMessages(BoxOwner(), refusal);
        return false;
    }
    if (FileExists(path) && ShowMessageBox(BoxOwner(), OverwriteQuestion(path), kBuilderTitle,
                                           MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return false;
    return true;
}

void BuildPage::RequestBuild(bool wallpaper) {
    LoadFromControls();
    WallpaperProject project;
    project.IconFilename = IconFilename;
    project.WovenliteFilename = WovenliteFilename;
    project.InstallerPackageFilename = InstallerPackageFilename;
    const OutputKind kind =
        wallpaper ? OutputKind::ProjectableWallpaper : OutputKind::InstallerPackage;
    // A missing icon is only a warning: the build goes on.
    ShowUserMessages(BoxOwner(), IconWarning(project, kind));
    const std::string& output = OutputPathOf(project, kind);
    if (output.empty()) {
        ShowUserMessages(BoxOwner(), ValidateOutputName(project, kind));
        return;
    }
    if (!CheckOutputName(output))
        return;
    SendMessageA(MainWindow(), wallpaper ? WM_BUILD_WALLPAPER : WM_BUILD_INSTALLER, 0, 0);
}

void BuildPage::BuildWallpaperCommand() {
    RequestBuild(true);
}

void BuildPage::BuildInstallerCommand() {
    RequestBuild(false);
}

void BuildPage::RequestPreview() {
    SendMessageA(MainWindow(), WM_PREVIEW_WALLPAPER, 0, 0);
}

bool BuildPage::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_BUILD_ICON:
    case IDC_BUILD_WALLPAPER_PATH:
    case IDC_BUILD_INSTALLER_PATH:
        if (code == EN_CHANGE)
            NotifyModified();
        return true;
    default:
        break;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_BUILD_PREVIEW:
        RequestPreview();
        return true;
    case IDC_BUILD_CHOOSE_ICON:
        ChooseIcon();
        return true;
    case IDC_BUILD_CHOOSE_WALLPAPER:
        ChooseWallpaperExe();
        return true;
    case IDC_BUILD_CHOOSE_INSTALLER:
        ChooseInstallerExe();
        return true;
    case IDC_BUILD_WALLPAPER:
        BuildWallpaperCommand();
        return true;
    case IDC_BUILD_INSTALLER:
        BuildInstallerCommand();
        return true;
    default:
        return false;
    }
}

} // namespace ww
