#include "builder/ui/installer_page.h"

#include "builder/project/project.h"
#include "builder/ui/messages.h"
#include "builder/ui/resource.h"
#include "common/win32/file_dialog.h"

#include <commctrl.h>

namespace ww {

namespace {

const char kBitmapFilter[] = "Bitmap Files(*.bmp)|*.bmp||";
// The display image's filter has one closing bar.
const char kDisplayFilter[] = "Bitmap Files(*.bmp)|*.bmp|";
const char kReadmeFilter[] = "Text Files(*.txt)|*.txt||";
const char kExternalFilter[] =
    "Flash Files(*.swf)|*.swf|Text Document(*.txt)|*.txt|All Files(*.*)|*.*||";

FileDialogRequest OpenRequest(HWND owner, const std::string& defaultExtension,
                              const std::string& initialFileName, const char* filter, DWORD flags) {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.owner = owner;
    request.defaultExtension = defaultExtension;
    request.initialFileName = initialFileName;
    request.filter = filter;
    request.flags = flags;
    request.structSize = FileDialogStructSize(GetVersion());
    return request;
}

} // namespace

InstallerPage::InstallerPage() : WizardPage(kInstallerPage, IDD_INSTALLER_PAGE) {}

bool InstallerPage::LoadFromControls() {
    TopImageFilename = ItemText(IDC_INST_TOP_IMAGE);
    LeftImageFilename = ItemText(IDC_INST_LEFT_IMAGE);
    DisplayImageFilename = ItemText(IDC_INST_DISPLAY_IMAGE);
    ReadmeFilename = ItemText(IDC_INST_README);
    return true;
}

bool InstallerPage::StoreToControls() {
    SetItemText(IDC_INST_TOP_IMAGE, TopImageFilename);
    SetItemText(IDC_INST_LEFT_IMAGE, LeftImageFilename);
    SetItemText(IDC_INST_DISPLAY_IMAGE, DisplayImageFilename);
    SetItemText(IDC_INST_README, ReadmeFilename);
    return true;
}

void InstallerPage::ShowProject(const WallpaperProject& project) {
    SetItemText(IDC_INST_TOP_IMAGE, project.TopImageFilename);
    SetItemText(IDC_INST_LEFT_IMAGE, project.LeftImageFilename);
    SetItemText(IDC_INST_DISPLAY_IMAGE, project.DisplayImageFilename);
    SetItemText(IDC_INST_README, project.ReadmeFilename);
    SetExternalFiles(project.ExtFileItems);
}

void InstallerPage::TakeProject(WallpaperProject& project) {
    LoadFromControls();
    project.TopImageFilename = TopImageFilename;
    project.LeftImageFilename = LeftImageFilename;
    project.DisplayImageFilename = DisplayImageFilename;
    project.ReadmeFilename = ReadmeFilename;
    project.ExtFileItems = ExternalFiles();
}

bool InstallerPage::OnInit() {
    side.Fit(hwnd(), IDC_INST_SIDE_PICTURE, IDB_INSTALLER_SIDE);
    tooltips.Create(hwnd(), {{IDC_INST_TOP_IMAGE, IDS_TIP_TOP_IMAGE},
                             {IDC_INST_CHOOSE_TOP_IMAGE, IDS_TIP_CHOOSE_TOP_IMAGE},
                             {IDC_INST_LEFT_IMAGE, IDS_TIP_LEFT_IMAGE},
                             {IDC_INST_CHOOSE_LEFT_IMAGE, IDS_TIP_CHOOSE_LEFT_IMAGE},
                             {IDC_INST_DISPLAY_IMAGE, IDS_TIP_DISPLAY_IMAGE},
                             {IDC_INST_CHOOSE_DISPLAY_IMAGE, IDS_TIP_CHOOSE_DISPLAY_IMAGE},
                             {IDC_INST_README, IDS_TIP_README},
                             {IDC_INST_CHOOSE_README, IDS_TIP_CHOOSE_README},
                             {IDC_INST_EXTERNAL_FILES, IDS_TIP_EXTERNAL_FILES}});
    return true;
}

void InstallerPage::OnDestroy() {
    tooltips.Destroy();
}

bool InstallerPage::PreTranslate(const MSG& message) {
    tooltips.Relay(message);
    return WizardPage::PreTranslate(message);
}

bool InstallerPage::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR* result) {
    if (message == WM_MOUSEMOVE) {
        tooltips.Refresh();
        return false;
    }
    if (message == WM_NOTIFY && tooltips.AnswerTextRequest(reinterpret_cast<NMHDR*>(lParam))) {
        *result = 0;
        return true;
    }
    return false;
}

std::vector<std::string> InstallerPage::ExternalFiles() const {
    std::vector<std::string> paths;
    HWND list = Item(IDC_INST_EXTERNAL_FILES);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            continue;
        std::string text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        paths.push_back(text);
    }
    return paths;
}

void InstallerPage::SetExternalFiles(const std::vector<std::string>& paths) const {
    HWND list = Item(IDC_INST_EXTERNAL_FILES);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& path : paths)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

std::string InstallerPage::ResourceFolder() const {
    return workspace ? workspace->GetResourceFolder() : std::string();
}

void InstallerPage::ChooseInto(std::string* field, int box, const std::string& defaultExtension,
                               const std::string& initialFileName, const char* filter) {
    std::string chosen;
    if (!ShowFileDialog(OpenRequest(BoxOwner(), defaultExtension, initialFileName, filter,
                                    OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT),
                        &chosen))
        return;
    *field = chosen;
    SetItemText(box, chosen);
}

void InstallerPage::ChooseTopImage() {
    ChooseInto(&TopImageFilename, IDC_INST_TOP_IMAGE, "*.bmp", ResourceFolder() + "*.bmp",
               kBitmapFilter);
}

void InstallerPage::ChooseLeftImage() {
    ChooseInto(&LeftImageFilename, IDC_INST_LEFT_IMAGE, "*.bmp", ResourceFolder() + "*.bmp",
               kBitmapFilter);
}

void InstallerPage::ChooseDisplayImage() {
    ChooseInto(&DisplayImageFilename, IDC_INST_DISPLAY_IMAGE, "*.bmp", ResourceFolder() + "*.bmp",
               kDisplayFilter);
}

void InstallerPage::ChooseReadme() {
    ChooseInto(&ReadmeFilename, IDC_INST_README, "*.txt", "*.txt", kReadmeFilter);
}

void InstallerPage::AddExternalFiles() {
    std::vector<std::string> chosen;
    if (!ShowFileDialog(OpenRequest(BoxOwner(), "*.swf", "*.swf", kExternalFilter,
                                    OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST),
                        &chosen))
        return;
    HWND list = Item(IDC_INST_EXTERNAL_FILES);
    for (const std::string& path : chosen)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    NotifyModified();
}

void InstallerPage::RemoveExternalFile() {
    HWND list = Item(IDC_INST_EXTERNAL_FILES);
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR || SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0)
        return;
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    NotifyModified();
}

void InstallerPage::ClearExternalFiles() {
    HWND list = Item(IDC_INST_EXTERNAL_FILES);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0)
        return;
    while (SendMessageA(list, LB_GETCOUNT, 0, 0) > 0)
        SendMessageA(list, LB_DELETESTRING, 0, 0);
    NotifyModified();
}

bool InstallerPage::ValidateReadme() {
    LoadFromControls();
    WallpaperProject project;
    project.ReadmeFilename = ReadmeFilename;
    const UserMessages messages = ww::ValidateReadme(project);
    ShowUserMessages(BoxOwner(), messages);
    return messages.empty();
}

bool InstallerPage::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_INST_TOP_IMAGE:
    case IDC_INST_LEFT_IMAGE:
    case IDC_INST_DISPLAY_IMAGE:
    case IDC_INST_README:
        if (code == EN_CHANGE)
            NotifyModified();
        return true;
    default:
        break;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_INST_CHOOSE_TOP_IMAGE:
        ChooseTopImage();
        return true;
    case IDC_INST_CHOOSE_LEFT_IMAGE:
        ChooseLeftImage();
        return true;
    case IDC_INST_CHOOSE_DISPLAY_IMAGE:
        ChooseDisplayImage();
        return true;
    case IDC_INST_CHOOSE_README:
        ChooseReadme();
        return true;
    case IDC_INST_ADD:
        AddExternalFiles();
        return true;
    case IDC_INST_DEL:
        RemoveExternalFile();
        return true;
    case IDC_INST_CLEAR:
        ClearExternalFiles();
        return true;
    default:
        return false;
    }
}

} // namespace ww
