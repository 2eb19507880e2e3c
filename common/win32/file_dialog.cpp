#include "common/win32/file_dialog.h"

#include <commdlg.h>

#include <algorithm>

namespace ww {

namespace {

FileDialogAnswerer& FileAnswerer() {
    static FileDialogAnswerer answerer;
    return answerer;
}

ColourDialogAnswerer& ColourAnswerer() {
    static ColourDialogAnswerer answerer;
    return answerer;
}

// Custom colours stay for the life of the process, as the author left them.
COLORREF gCustomColours[16];

bool RunSystemFileDialog(const FileDialogRequest& request, std::vector<std::string>* paths) {
    const size_t size = std::max<size_t>(request.bufferSize, 2);
    std::vector<char> buffer(size + 1, '\0');
    request.initialFileName.copy(buffer.data(), size - 1);
    const std::string filter = DialogFilter(request.filter);
    const std::string extension = DialogDefaultExtension(request.defaultExtension);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = DialogStructSize(request.structSize);
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(size);
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER;
    BOOL ok =
        request.kind == FileDialogKind::Open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    if (!ok)
        return false;
    *paths = ChosenPaths(buffer.data(), size);
    return !paths->empty();
}

} // namespace

DWORD DialogStructSize(DWORD stated) {
    return stated == kOldFileDialogSize ? OPENFILENAME_SIZE_VERSION_400A : sizeof(OPENFILENAMEA);
}

bool ShowFileDialog(const FileDialogRequest& request, std::vector<std::string>* paths) {
    paths->clear();
    if (FileAnswerer()) {
        if (!FileAnswerer()(request, paths)) {
            paths->clear();
            return false;
        }
        return !paths->empty();
    }
    return RunSystemFileDialog(request, paths);
}

bool ShowFileDialog(const FileDialogRequest& request, std::string* path) {
    std::vector<std::string> paths;
    if (!ShowFileDialog(request, &paths))
        return false;
    *path = paths.front();
    return true;
}

void SetFileDialogAnswerer(FileDialogAnswerer answerer) {
    FileAnswerer() = std::move(answerer);
}

bool ShowColourDialog(const ColourDialogRequest& request, COLORREF* chosen) {
    if (ColourAnswerer())
        return ColourAnswerer()(request, chosen);
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = request.owner;
    cc.rgbResult = request.initial;
    cc.lpCustColors = gCustomColours;
    cc.Flags = request.flags | CC_RGBINIT;
    if (!ChooseColorA(&cc))
        return false;
    *chosen = cc.rgbResult;
    return true;
}

void SetColourDialogAnswerer(ColourDialogAnswerer answerer) {
    ColourAnswerer() = std::move(answerer);
}

std::string DialogFilter(const std::string& barSeparated) {
    if (barSeparated.empty())
        return std::string();
    std::string filter = barSeparated;
    std::replace(filter.begin(), filter.end(), '|', '\0');
    // The list ends in an empty string: two NULs, however many bars closed it.
    if (filter.back() != '\0')
        filter.push_back('\0');
    filter.push_back('\0');
    return filter;
}

std::string DialogDefaultExtension(const std::string& defaultExtension) {
    if (defaultExtension.compare(0, 2, "*.") == 0)
        return defaultExtension.substr(2);
    if (!defaultExtension.empty() && defaultExtension[0] == '.')
        return defaultExtension.substr(1);
    return defaultExtension;
}

std::vector<std::string> ChosenPaths(const char* buffer, size_t size) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (at < size && buffer[at] != '\0') {
        size_t end = at;
        while (end < size && buffer[end] != '\0')
            ++end;
        parts.emplace_back(buffer + at, end - at);
        at = end + 1;
    }
    if (parts.size() <= 1)
        return parts;
    std::string folder = parts.front();
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    std::vector<std::string> paths;
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(folder + parts[i]);
    return paths;
}

} // namespace ww
