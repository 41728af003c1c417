// The pairs of virtual key and on-screen key that "Key Data" captures.
#include <keycomposition/KeyMap.h>

#include <dialoglayout/KeyDialogLayout.h>
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
