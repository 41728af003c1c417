#include <widgets/PhysicalKeys.h>

#include <QKeyEvent>

#include <gtest/gtest.h>

using namespace widgets;

namespace {

// A key event as the X11 platform delivers it: XKB key code and keysym.
PhysicalKey x11Key(QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers, quint32 keyCode,
    quint32 keysym, bool autoRepeat = false)
{
    const QKeyEvent event(type, qtKey, modifiers, keyCode, keysym, 0, QString(), autoRepeat);
    PhysicalKey key;
    EXPECT_TRUE(physicalKeyOf(event, key));
    return key;
}

PhysicalKey syntheticKey(QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QKeyEvent event(type, qtKey, modifiers);
    PhysicalKey key;
    physicalKeyOf(event, key);
    return key;
}

} // namespace

TEST(PhysicalKeys, LeftAndRightModifiersFromX11NativeFields)
{
    struct Case {
        int qtKey;
        quint32 keyCode, keysym;
        int virtualKey;
        bool extended;
    } cases[] = {
        { Qt::Key_Shift, 50, 0xFFE1, VK_SHIFT, false },
        { Qt::Key_Shift, 62, 0xFFE2, VK_SHIFT, true },
        { Qt::Key_Control, 37, 0xFFE3, VK_CONTROL, false },
        { Qt::Key_Control, 105, 0xFFE4, VK_CONTROL, true },
        { Qt::Key_Alt, 64, 0xFFE9, VK_MENU, false },
        { Qt::Key_Alt, 108, 0xFFEA, VK_MENU, true },
        { Qt::Key_AltGr, 108, 0xFE03, VK_MENU, true },
    };
    for (const Case& c : cases) {
        const PhysicalKey key = x11Key(QEvent::KeyPress, c.qtKey, Qt::NoModifier, c.keyCode, c.keysym);
        EXPECT_EQ(key.virtualKey, c.virtualKey) << c.keyCode;
        EXPECT_EQ(key.extended, c.extended) << c.keyCode;
    }
    // Without native fields the left-hand key is assumed.
    EXPECT_FALSE(syntheticKey(QEvent::KeyPress, Qt::Key_Shift).extended);
}

TEST(PhysicalKeys, KeypadKeysAreToldFromTheMainBlock)
{
    // Navigation block: extended, not keypad.
    PhysicalKey key = x11Key(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier, 110, 0xFF50);
    EXPECT_EQ(key.virtualKey, VK_HOME);
    EXPECT_TRUE(key.extended);
    EXPECT_FALSE(key.keypad);
    // Keypad 7 with Num Lock off: the same virtual key, not extended.
    key = x11Key(QEvent::KeyPress, Qt::Key_Home, Qt::KeypadModifier, 79, 0xFF95);
    EXPECT_EQ(key.virtualKey, VK_HOME);
    EXPECT_FALSE(key.extended);
    EXPECT_TRUE(key.keypad);
    // Num Lock on: the keypad digit.
    key = x11Key(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, 79, 0xFFB7);
    EXPECT_EQ(key.virtualKey, VK_NUMPAD7);
    EXPECT_TRUE(key.keypad);
    key = x11Key(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, 16, '7');
    EXPECT_EQ(key.virtualKey, '7');
    EXPECT_FALSE(key.keypad);
    // Keypad Enter and "/" are extended, main Enter is not.
    key = x11Key(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, 104, 0xFF8D);
    EXPECT_EQ(key.virtualKey, VK_RETURN);
    EXPECT_TRUE(key.extended && key.keypad);
    key = x11Key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, 36, 0xFF0D);
    EXPECT_FALSE(key.extended || key.keypad);
    key = x11Key(QEvent::KeyPress, Qt::Key_Slash, Qt::KeypadModifier, 106, 0xFFAF);
    EXPECT_EQ(key.virtualKey, VK_DIVIDE);
    EXPECT_TRUE(key.extended);
    key = x11Key(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier, 82, 0xFFAD);
    EXPECT_EQ(key.virtualKey, VK_SUBTRACT);

    // The same rules from Qt's keys alone.
    EXPECT_EQ(syntheticKey(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier).virtualKey, VK_NUMPAD7);
    EXPECT_TRUE(syntheticKey(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier).extended);
    EXPECT_TRUE(syntheticKey(QEvent::KeyPress, Qt::Key_Up).extended);
    EXPECT_FALSE(syntheticKey(QEvent::KeyPress, Qt::Key_Up, Qt::KeypadModifier).extended);
}

TEST(PhysicalKeys, ShiftedSymbolsNameTheirKey)
{
    // Shift+1 types "!", but the key is still VK '1'; Shift+; is VK_OEM_1.
    EXPECT_EQ(x11Key(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 10, '!').virtualKey, '1');
    EXPECT_EQ(syntheticKey(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier).virtualKey, '1');
    EXPECT_EQ(syntheticKey(QEvent::KeyPress, Qt::Key_Colon, Qt::ShiftModifier).virtualKey, VK_OEM_1);
    EXPECT_EQ(syntheticKey(QEvent::KeyPress, Qt::Key_BraceRight, Qt::ShiftModifier).virtualKey, VK_OEM_6);
    // A letter follows the layout; a key without a Latin letter, its position.
    EXPECT_EQ(x11Key(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, 29, 'z').virtualKey, 'Z');
    EXPECT_EQ(x11Key(QEvent::KeyPress, 0x0439, Qt::NoModifier, 24, 0x6CA).virtualKey, 'Q');
    EXPECT_EQ(x11Key(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier, 73, 0xFFC4).virtualKey, VK_F7);
}

TEST(PhysicalKeys, MessagesTellDownUpAndSystemKeys)
{
    EXPECT_EQ(x11Key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 'a').message, KeyMessage::KeyDown);
    EXPECT_EQ(x11Key(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, 38, 'a').message, KeyMessage::KeyUp);
    // Alt itself and keys with Alt held are system keys, also on release.
    EXPECT_EQ(
        x11Key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, 64, 0xFFE9).message, KeyMessage::SysKeyDown);
    EXPECT_EQ(
        x11Key(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier, 64, 0xFFE9).message, KeyMessage::SysKeyUp);
    EXPECT_EQ(x11Key(QEvent::KeyPress, Qt::Key_C, Qt::AltModifier, 54, 'c').message, KeyMessage::SysKeyDown);
    EXPECT_EQ(syntheticKey(QEvent::KeyPress, Qt::Key_F10).message, KeyMessage::SysKeyDown);
    // With Ctrl held they are ordinary keys.
    EXPECT_EQ(
        x11Key(QEvent::KeyPress, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier, 64, 0xFFE9).message,
        KeyMessage::KeyDown);
    EXPECT_EQ(x11Key(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 37, 0xFFE3).message,
        KeyMessage::KeyDown);
    EXPECT_TRUE(x11Key(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 37, 0xFFE3, true).autoRepeat);

    PhysicalKey key;
    const QEvent other(QEvent::MouseMove);
    EXPECT_FALSE(physicalKeyOf(&other, key));
}

TEST(PhysicalKeys, WindowsNativeFields)
{
    PhysicalKey key;
    ASSERT_TRUE(decodeWin32Key(0x36, VK_SHIFT, 0x10, key)); // right Shift: own scan code, no extended bit
    EXPECT_TRUE(key.extended);
    ASSERT_TRUE(decodeWin32Key(0x2A, VK_SHIFT, 0x01, key));
    EXPECT_FALSE(key.extended);
    ASSERT_TRUE(decodeWin32Key(0x11D, VK_CONTROL, 0x01000020, key)); // right Ctrl
    EXPECT_TRUE(key.extended);
    ASSERT_TRUE(decodeWin32Key(0x38, VK_MENU, 0x01000000, key)); // right Alt by the native modifier bit
    EXPECT_TRUE(key.extended);
    ASSERT_TRUE(decodeWin32Key(0x147, VK_HOME, 0x01000000, key)); // navigation block
    EXPECT_TRUE(key.extended);
    EXPECT_FALSE(key.keypad);
    ASSERT_TRUE(decodeWin32Key(0x47, VK_HOME, 0, key)); // keypad 7, Num Lock off
    EXPECT_FALSE(key.extended);
    EXPECT_TRUE(key.keypad);
    ASSERT_TRUE(decodeWin32Key(0x11C, VK_RETURN, 0x01000000, key)); // keypad Enter
    EXPECT_TRUE(key.keypad && key.extended);
    ASSERT_TRUE(decodeWin32Key(0x1C, VK_RETURN, 0, key));
    EXPECT_FALSE(key.keypad || key.extended);
    ASSERT_TRUE(decodeWin32Key(0x48, VK_NUMPAD8, 0, key));
    EXPECT_TRUE(key.keypad);
    EXPECT_FALSE(decodeWin32Key(0, 0, 0, key));
}
