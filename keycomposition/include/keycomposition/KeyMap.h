// The physical keys that "Key Data" turns into on-screen buttons: pairs of
// virtual-key code and button id, ordered by button id.
#pragma once

#include <span>

namespace keycomposition {

struct KeyMapEntry {
    int virtualKey;
    int buttonId;
};

inline constexpr int KEY_MAP_SIZE = 97;

std::span<const KeyMapEntry> keyMap();

// The button of the first pair with this virtual key, or 0. Both Shift,
// both Ctrl and both Enter keys share a code, so the left-hand (main) one
// is found; Alt, Print Screen and Pause have no pair.
int buttonOfVirtualKey(int virtualKey);

} // namespace keycomposition
