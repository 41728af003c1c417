// The pairs of virtual key and on-screen key that "Key Data" captures, and
// the names of the on-screen keys.
#include <keycomposition/KeyMap.h>

#include <dialoglayout/KeyDialogLayout.h>
#include <keycomposition/KeyCodes.h>
#include <keycomposition/VirtualKeys.h>

#include <gtest/gtest.h>

#include <set>

using namespace dialoglayout;
using namespace keycomposition;

TEST(KeyMap, PairsEveryMappedButtonOnceAndFindsTheMainKeys)
{
    std::set<int> buttons;
    for (const KeyMapEntry& entry : keyMap()) {
        EXPECT_NE(findOnScreenKey(entry.buttonId), nullptr) << entry.buttonId;
        EXPECT_TRUE(buttons.insert(entry.buttonId).second) << entry.buttonId;
    }
    EXPECT_EQ(buttons.size(), 97u);
    EXPECT_EQ(buttonOfVirtualKey(VK_SHIFT), KEY_LEFT_SHIFT);
    EXPECT_EQ(buttonOfVirtualKey(VK_CONTROL), KEY_LEFT_CTRL);
    EXPECT_EQ(buttonOfVirtualKey(VK_RETURN), KEY_ENTER);
    for (const int vk : { VK_MENU, VK_SNAPSHOT, VK_PAUSE })
        EXPECT_EQ(buttonOfVirtualKey(vk), 0) << vk;
}

// The key each on-screen key stands for, as a screen reader says it.
TEST(KeyCodes, OnScreenKeysAreNamedByTheKeyTheyStandFor)
{
    const std::pair<int, const char*> names[] = {
        { 1017, "Q" },
        { 1002, "1 !" },
        { 1008, "7 &" },
        { KEY_BACKSPACE, "Backspace" },
        { KEY_SPACE, "Space" },
        { 1091, "Keypad 7" },
        { KEY_KEYPAD_ENTER, "Keypad Enter" },
        { KEY_ENTER, "Enter" },
        { KEY_LEFT_SHIFT, "Left Shift" },
        { KEY_RIGHT_CTRL, "Right Ctrl" },
        { 1083, "Up arrow" },
        { KEY_PRINT_SCREEN, "Print Screen" },
        { 1014, "" },
    };
    for (const auto& [id, name] : names)
        EXPECT_EQ(onScreenKeyName(id), name) << id;
    for (const OnScreenKey& key : onScreenKeys())
        EXPECT_FALSE(
            onScreenKeyName(key.id).empty() || onScreenKeyName(key.id).find('\n') != std::string::npos)
            << key.id;
}
