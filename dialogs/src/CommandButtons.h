// The look both dialogs give their OK and Cancel buttons.
#pragma once

#include <dialoglayout/KeyDialogLayout.h>
#include <resources/ResourceIds.h>
#include <widgets/CSkinnedButton.h>

namespace dialogs {

using dialoglayout::ID_CANCEL;
using dialoglayout::ID_OK;

// Skin 103: five frames, borders top 15, bottom 6, left 15, right 8; a dark
// blue caption.
inline constexpr int COMMAND_SKIN_FRAMES = 5;
inline constexpr int COMMAND_SKIN_TOP = 15;
inline constexpr int COMMAND_SKIN_BOTTOM = 6;
inline constexpr int COMMAND_SKIN_LEFT = 15;
inline constexpr int COMMAND_SKIN_RIGHT = 8;
inline constexpr widgets::ColorRef COMMAND_CAPTION_COLOR = widgets::makeColorRef(0, 0, 0x50);

// Called once the button has its final size.
inline void skinCommandButton(widgets::CSkinnedButton& button)
{
    button.LoadSkin(resources::BITMAP_COMMAND_SKIN, COMMAND_SKIN_FRAMES, COMMAND_SKIN_TOP,
        COMMAND_SKIN_BOTTOM, COMMAND_SKIN_LEFT, COMMAND_SKIN_RIGHT);
    button.SetCaptionColor(COMMAND_CAPTION_COLOR);
    button.update();
}

} // namespace dialogs
