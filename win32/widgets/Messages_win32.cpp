#include "widgets/Messages_win32.h"

#include "widgets/Win32Text_win32.h"

namespace win32 {
namespace {

UINT iconStyle(presenters::MessageIcon icon)
{
    switch (icon) {
    case presenters::MessageIcon::Stop:
        return MB_ICONSTOP;
    case presenters::MessageIcon::Question:
        return MB_ICONQUESTION;
    case presenters::MessageIcon::Information:
        return MB_ICONINFORMATION;
    case presenters::MessageIcon::Warning:
        return MB_ICONWARNING;
    case presenters::MessageIcon::None:
        break;
    }
    return 0;
}

UINT buttonStyle(presenters::MessageButtons buttons)
{
    switch (buttons) {
    case presenters::MessageButtons::YesNo:
        return MB_YESNO;
    case presenters::MessageButtons::SaveDiscardCancel:
        return MB_YESNOCANCEL;
    case presenters::MessageButtons::Ok:
        break;
    }
    return MB_OK;
}

} // namespace

presenters::MessageAnswer ShowMessage(
    HWND owner, const std::string& text, presenters::MessageIcon icon, presenters::MessageButtons buttons)
{
    const int answer
        = MessageBoxA(owner, text.c_str(), applicationName().c_str(), iconStyle(icon) | buttonStyle(buttons));
    using presenters::MessageAnswer;
    const bool saving = buttons == presenters::MessageButtons::SaveDiscardCancel;
    switch (answer) {
    case IDYES:
        return saving ? MessageAnswer::Save : MessageAnswer::Yes;
    case IDNO:
        return saving ? MessageAnswer::Discard : MessageAnswer::No;
    case IDCANCEL:
        return MessageAnswer::Cancel;
    default:
        break;
    }
    // A Yes/No box closed otherwise counts as No.
    return buttons == presenters::MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

} // namespace win32
