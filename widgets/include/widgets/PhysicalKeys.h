// Physical keys: the one place that turns Qt key events into the meaning of
// the platform's key messages, which the key grid and the key programming
// dialog are written against: a virtual-key code (VK_*), the extended-key
// flag, keypad or main block, and key-down / key-up / system key (Alt).
//
//   bool eventFilter(QObject* watched, QEvent* event) override {
//       PhysicalKey key;
//       if (physicalKeyOf(event, key) && key.message == KeyMessage::KeyDown && key.virtualKey == VK_SHIFT)
//           append(key.extended ? RIGHT_SHIFT_ID : LEFT_SHIFT_ID);
//       ...
//   }
//
// Where the event carries native fields they decide: X11/XKB key codes and
// keysyms on Linux, the virtual key, scan code and extended bit on Windows.
// Events without them (synthesised by tests) are read from Qt's key and
// modifiers alone, with the left-hand modifier assumed.
#pragma once

#include <keycomposition/VirtualKeys.h>

#include <cstdint>

class QEvent;
class QKeyEvent;

namespace widgets {

// One definition for every front end (keycomposition/VirtualKeys.h).
using keycomposition::KeyMessage;
using keycomposition::PhysicalKey;

// False for events that are not key presses or releases and for keys with
// no virtual-key code (key stays as far as it was filled).
bool physicalKeyOf(const QKeyEvent& event, PhysicalKey& key);
bool physicalKeyOf(const QEvent* event, PhysicalKey& key);

// The parts, exposed for the tests and for callers with only some fields.

// The virtual key of a Qt key code (Qt::Key) with the event's modifiers
// (Qt::KeyboardModifiers as an int): letters and digits as themselves,
// shifted symbols of a US layout as their unshifted key, keypad keys by
// Qt::KeypadModifier. 0 when none.
int virtualKeyOfQtKey(int qtKey, unsigned modifiers);

// Refines key from X11/XKB native fields (key code = evdev code + 8,
// keysym). Returns false when the key code is 0 (no native fields).
bool decodeXkbKey(std::uint32_t keyCode, std::uint32_t keysym, PhysicalKey& key);

// Refines key from the Windows native fields as Qt reports them: the
// virtual key (wParam), the scan code with the extended bit as bit 8, and
// the native modifiers with bit 24 the extended-key flag. Returns false when
// the virtual key is 0.
bool decodeWin32Key(
    std::uint32_t scanCode, std::uint32_t virtualKey, std::uint32_t nativeModifiers, PhysicalKey& key);

// Whether the platform marks this key extended when it lies where the
// virtual key alone says (used when there are no native fields).
bool isExtendedByDefault(int virtualKey, bool keypad);

} // namespace widgets
