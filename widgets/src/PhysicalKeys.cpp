// The portable part of the key mapping: Qt key codes to virtual keys, the
// default extended-key rule, and the choice of the native decoder.
#include <widgets/PhysicalKeys.h>

#include <QKeyEvent>

namespace widgets {

int virtualKeyOfQtKey(int qtKey, unsigned modifiers)
{
    const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // the same codes
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? VK_NUMPAD0 + (qtKey - Qt::Key_0) : qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return VK_F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return VK_MENU;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    // Keys that differ between keypad and main block.
    case Qt::Key_Asterisk:
        return keypad ? VK_MULTIPLY : '8';
    case Qt::Key_Plus:
        return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus:
        return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period:
        return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Comma:
        return keypad ? VK_DECIMAL : VK_OEM_COMMA;
    case Qt::Key_Slash:
        return keypad ? VK_DIVIDE : VK_OEM_2;
    // Punctuation, shifted or not, as the key that types it on a US layout.
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Underscore:
        return VK_OEM_MINUS;
    case Qt::Key_Greater:
        return VK_OEM_PERIOD;
    case Qt::Key_Question:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return VK_OEM_7;
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    default:
        return 0;
    }
}

bool isExtendedByDefault(int virtualKey, bool keypad)
{
    if (keypad)
        return virtualKey == VK_RETURN || virtualKey == VK_DIVIDE;
    switch (virtualKey) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_SNAPSHOT:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_NUMLOCK:
    case VK_DIVIDE:
        return true;
    default:
        return false;
    }
}

bool physicalKeyOf(const QKeyEvent& event, PhysicalKey& key)
{
    const bool down = event.type() == QEvent::KeyPress;
    if (!down && event.type() != QEvent::KeyRelease)
        return false;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    key.autoRepeat = event.isAutoRepeat();
    key.keypad = modifiers.testFlag(Qt::KeypadModifier);
    key.virtualKey = virtualKeyOfQtKey(event.key(), unsigned(modifiers.toInt()));
    key.extended = isExtendedByDefault(key.virtualKey, key.keypad);
    // Qt::Key_AltGr is the right-hand Alt.
    if (event.key() == Qt::Key_AltGr)
        key.extended = true;
#if defined(Q_OS_WIN)
    decodeWin32Key(event.nativeScanCode(), event.nativeVirtualKey(), event.nativeModifiers(), key);
#else
    decodeXkbKey(event.nativeScanCode(), event.nativeVirtualKey(), key);
#endif
    // The system-key messages: Alt itself or a key with Alt held, and F10;
    // with Ctrl also held they are ordinary key messages.
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier) && key.virtualKey != VK_CONTROL;
    const bool alt = modifiers.testFlag(Qt::AltModifier) || key.virtualKey == VK_MENU;
    const bool system = !ctrl && (alt || key.virtualKey == VK_F10);
    key.message = down ? (system ? KeyMessage::SysKeyDown : KeyMessage::KeyDown)
                       : (system ? KeyMessage::SysKeyUp : KeyMessage::KeyUp);
    return key.virtualKey != 0;
}

bool physicalKeyOf(const QEvent* event, PhysicalKey& key)
{
    if (!event || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return false;
    return physicalKeyOf(*static_cast<const QKeyEvent*>(event), key);
}

} // namespace widgets
