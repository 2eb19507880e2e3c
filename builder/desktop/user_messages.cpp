#include "builder/desktop/user_messages.h"

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

} // namespace ww
