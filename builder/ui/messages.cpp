#include "builder/ui/messages.h"

#include "common/win32/message_box.h"

namespace ww {

UINT MessageIconFlags(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Exclamation:
        return MB_ICONEXCLAMATION;
    case MessageIcon::Stop:
        return MB_ICONSTOP;
    case MessageIcon::Error:
        return MB_ICONERROR;
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    case MessageIcon::Question:
        return MB_ICONQUESTION;
    }
    return MB_ICONEXCLAMATION;
}

void ShowWarning(HWND owner, const std::string& text) {
    ShowMessageBox(owner, text, kBuilderTitle, MB_OK | MB_ICONEXCLAMATION);
}

void ShowUserMessages(HWND owner, const UserMessages& messages) {
    for (const UserMessage& message : messages)
        ShowMessageBox(owner, message.text, kBuilderTitle, MB_OK | MessageIconFlags(message.icon));
}

bool AskYesNo(HWND owner, const std::string& question) {
    return ShowMessageBox(owner, question, kBuilderTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string LoadResourceString(int id) {
    char text[1024] = "";
    int length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace ww
