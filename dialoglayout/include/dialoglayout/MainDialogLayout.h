// The main window's template (102): its control ids, the places of the key
// caps, the content box, the command buttons and the decoration in dialog
// units, and the faces the buttons wear. One table for every front end.
#pragma once

#include <dialoglayout/DialogPlace.h>
#include <dialoglayout/TemplateTexts.h>

#include <resources/ResourceIds.h>

namespace dialoglayout {

inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int MAIN_DIALOG_WIDTH = 468;
inline constexpr int MAIN_DIALOG_HEIGHT = 261;

// Key caps: 1001..1095 the five rows of nineteen, 1096..1100 the small keys
// of row 5 (1096 at the bottom). Element k of a key cap array is control
// 1000 + k.
inline constexpr int IDC_KEY_FIRST = 1001;
inline constexpr int IDC_KEY_LAST_MAIN = 1095;
inline constexpr int IDC_SMALL_KEY_FIRST = 1096;
inline constexpr int IDC_KEY_LAST = 1100;
// Navigation reaches up to this id (row 5, column 5), which has no key cap.
inline constexpr int IDC_NAVIGATION_LAST = 1101;
inline constexpr int KEY_CAP_SLOTS = 128;

inline constexpr int IDC_KEY_CONTENT = 1127;
inline constexpr int IDC_BROWSE_EDIT = 1160;
inline constexpr int IDC_CONFIG = 1129;
inline constexpr int IDC_WRITE_KB = 3;
inline constexpr int IDC_READ_KB = 4;
inline constexpr int IDC_SAVE_FILE = 5;
inline constexpr int IDC_LOAD_FILE = 6;
inline constexpr int IDC_QUIT = 1166;
// Ours: the data area gauge above the grid.
inline constexpr int IDC_DATA_AREA = 1170;

// System commands: the About entry's id, and the standard ones the window
// offers. The low four bits of a system command are the system's own and
// are ignored when comparing.
inline constexpr int IDM_ABOUTBOX = 0x1010;
inline constexpr int SC_MINIMIZE_COMMAND = 0xF020;
inline constexpr int SC_CLOSE_COMMAND = 0xF060;
inline constexpr int SC_RESTORE_COMMAND = 0xF120;
inline constexpr int SYSTEM_COMMAND_MASK = 0xFFF0;

inline constexpr bool isKeyCapId(int id)
{
    return id >= IDC_KEY_FIRST && id <= IDC_KEY_LAST;
}

// The grid keys: five rows, each 21 x 23, in groups of nine, six and four.
inline constexpr int KEY_CAP_ROWS = 5;
inline constexpr int KEY_CAP_COLUMNS = 19;
inline constexpr int KEY_CAP_WIDTH = 21;
inline constexpr int KEY_CAP_HEIGHT = 23;
inline constexpr int KEY_COLUMN_X[KEY_CAP_COLUMNS]
    = { 7, 29, 51, 73, 95, 117, 139, 162, 184, 221, 243, 265, 288, 310, 332, 370, 392, 414, 436 };
inline constexpr int KEY_ROW_Y[KEY_CAP_ROWS] = { 61, 88, 116, 143, 171 };

// The small keys, 14 x 9, on a curve from 1096 (bottom) to 1100 (top).
inline constexpr int SMALL_KEY_WIDTH = 14;
inline constexpr int SMALL_KEY_HEIGHT = 9;
inline constexpr int SMALL_KEY_X[] = { 383, 379, 377, 379, 383 };
inline constexpr int SMALL_KEY_Y[] = { 48, 37, 26, 15, 4 };

// The place of key cap controlId (1001..1100); all zero for any other id.
constexpr DialogPlace keyCapPlace(int controlId)
{
    if (controlId >= IDC_KEY_FIRST && controlId <= IDC_KEY_LAST_MAIN) {
        const int index = controlId - IDC_KEY_FIRST;
        return { KEY_COLUMN_X[index % KEY_CAP_COLUMNS], KEY_ROW_Y[index / KEY_CAP_COLUMNS], KEY_CAP_WIDTH,
            KEY_CAP_HEIGHT };
    }
    if (controlId >= IDC_SMALL_KEY_FIRST && controlId <= IDC_KEY_LAST) {
        const int index = controlId - IDC_SMALL_KEY_FIRST;
        return { SMALL_KEY_X[index], SMALL_KEY_Y[index], SMALL_KEY_WIDTH, SMALL_KEY_HEIGHT };
    }
    return { 0, 0, 0, 0 };
}

inline constexpr DialogPlace DECORATION_PLACE { 394, 15, 19, 29 }; // bitmap 134
inline constexpr DialogPlace KEY_CONTENT_PLACE { 7, 201, 448, 21 };
// Ours, in the free corner above the grid.
inline constexpr DialogPlace DATA_AREA_PLACE { 7, 14, 200, 15 };

// The seven command buttons at y = 231, each 59 x 14, in the template's
// order (which is also the focus order after the key caps).
inline constexpr int COMMAND_Y = 231;
inline constexpr int COMMAND_WIDTH = 59;
inline constexpr int COMMAND_HEIGHT = 14;
struct CommandButton {
    int id;
    const char* caption;
    int x;
};
inline constexpr CommandButton COMMAND_BUTTONS[] = {
    { IDC_BROWSE_EDIT, CAPTION_BROWSE, 9 },
    { IDC_CONFIG, CAPTION_CONFIG, 74 },
    { IDC_WRITE_KB, CAPTION_WRITE_KB, 139 },
    { IDC_READ_KB, CAPTION_READ_KB, 204 },
    { IDC_SAVE_FILE, CAPTION_SAVE_FILE, 269 },
    { IDC_LOAD_FILE, CAPTION_LOAD_FILE, 334 },
    { IDC_QUIT, CAPTION_QUIT, 399 },
};

constexpr DialogPlace commandButtonPlace(const CommandButton& button)
{
    return { button.x, COMMAND_Y, COMMAND_WIDTH, COMMAND_HEIGHT };
}

// Faces: the grid keys, the small keys and the command buttons, whose
// captions are dark blue.
inline constexpr SkinFace KEY_FACE { resources::BITMAP_KEY_SKIN, 5, 5, 5, 2, 2 };
inline constexpr SkinFace SMALL_KEY_FACE { resources::BITMAP_SMALL_KEY_SKIN, 5, 5, 5, 2, 2 };
inline constexpr SkinFace COMMAND_FACE { resources::BITMAP_COMMAND_SKIN, 5, 15, 6, 15, 8 };
inline constexpr ColorRef COLOR_COMMAND_CAPTION = makeColorRef(0, 0, 0x50);

} // namespace dialoglayout
