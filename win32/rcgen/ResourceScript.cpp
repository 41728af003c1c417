// Writes the resource script of Lodemar.exe:
//   lodemar_rcgen OUTPUT.rc ARTDIR
// The dialog templates 102, 118, 129 and 130 come from the window tables of
// dialoglayout/, the bitmaps and the icon from the generated art in ARTDIR
// (<id>.bmp, 128.ico), string 119 from the template texts. Nothing here is
// typed a second time: a place, id or caption changes in its table.
#include <dialoglayout/AboutDialogLayout.h>
#include <dialoglayout/ConfigDialogLayout.h>
#include <dialoglayout/KeyDialogLayout.h>
#include <dialoglayout/MainDialogLayout.h>
#include <dialoglayout/TemplateTexts.h>
#include <keydata/KeySettings.h>
#include <resources/ResourceIds.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

using namespace dialoglayout;

namespace {

inline constexpr const char* DIALOG_FONT = "8, \"MS Sans Serif\"";
inline constexpr int NO_ID = -1; // IDC_STATIC

// A C-style string literal as the resource compiler reads it.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += "\"\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

std::string place(const DialogPlace& p)
{
    return std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.width) + ", "
        + std::to_string(p.height);
}

// One CONTROL statement: text, id, window class, styles, place.
void control(std::ostream& out, const std::string& text, int id, const char* windowClass,
    const std::string& style, const DialogPlace& at)
{
    out << "    CONTROL " << quoted(text) << ", " << id << ", " << quoted(windowClass) << ", " << style
        << ", " << place(at) << "\n";
}

void header(std::ostream& out, int id, const char* title, int width, int height, const std::string& style,
    const char* extendedStyle = nullptr)
{
    out << "\n"
        << id << " DIALOGEX 0, 0, " << width << ", " << height << "\n"
        << "STYLE " << style << "\n";
    if (extendedStyle)
        out << "EXSTYLE " << extendedStyle << "\n";
    out << "CAPTION " << quoted(title) << "\n"
        << "FONT " << DIALOG_FONT << "\nBEGIN\n";
}

// Template 102: the grid's key caps, the content box, the command buttons,
// the decoration and our data area gauge.
void mainDialog(std::ostream& out)
{
    header(out, IDD_MAIN_DIALOG, TITLE_TEMPLATE, MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT,
        "DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX", "WS_EX_APPWINDOW");
    for (int id = IDC_KEY_FIRST; id <= IDC_KEY_LAST; ++id)
        control(out, "", id, "Button", "BS_OWNERDRAW | WS_TABSTOP", keyCapPlace(id));
    control(out, "", IDC_KEY_CONTENT, "Edit",
        "ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP",
        KEY_CONTENT_PLACE);
    for (const CommandButton& button : COMMAND_BUTTONS)
        control(out, button.caption, button.id, "Button", "BS_OWNERDRAW | WS_TABSTOP",
            commandButtonPlace(button));
    // Drawn by the window, with its magenta let through.
    control(out, "", IDC_DECORATION, "Static", "SS_OWNERDRAW", DECORATION_PLACE);
    control(out, "", IDC_DATA_AREA, "Static", "SS_OWNERDRAW | SS_NOTIFY", DATA_AREA_PLACE);
    out << "END\n";
}

// Template 118: the icon, two lines, OK.
void aboutDialog(std::ostream& out)
{
    header(out, IDD_ABOUTBOX, ABOUT_TITLE, ABOUT_WIDTH, ABOUT_HEIGHT,
        "DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU");
    out << "    ICON " << resources::ICON_PROGRAM << ", " << NO_ID << ", " << ABOUT_ICON_PLACE.x << ", "
        << ABOUT_ICON_PLACE.y << "\n";
    control(out, ABOUT_VERSION, NO_ID, "Static", "SS_LEFT | SS_NOPREFIX", ABOUT_VERSION_PLACE);
    control(out, ABOUT_SECOND_LINE, NO_ID, "Static", "SS_LEFT | SS_NOPREFIX", ABOUT_SECOND_LINE_PLACE);
    control(
        out, ABOUT_OK, IDC_ABOUT_OK, "Button", "BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP", ABOUT_OK_PLACE);
    out << "END\n";
}

// Template 129: the on-screen keyboard in its group, "Key Data", the
// operation and mode groups, OK and Cancel.
void keyDialog(std::ostream& out)
{
    header(out, IDD_KEY_PROGRAMMING, TEXT_KEY_DIALOG_TITLE, KEY_DIALOG_WIDTH, KEY_DIALOG_HEIGHT,
        "DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU");
    control(out, TEXT_KEYBOARD_GROUP, NO_ID, "Button", "BS_GROUPBOX", KEYBOARD_GROUP_PLACE);
    for (const OnScreenKey& key : onScreenKeys())
        control(out, key.caption, key.id, "Button",
            isStripKey(key.id) ? "BS_OWNERDRAW" : "BS_PUSHBUTTON | BS_MULTILINE", key.place);
    control(out, TEXT_KEY_DATA, NO_ID, "Static", "SS_LEFT", KEY_DATA_LABEL_PLACE);
    control(out, "", ID_CONTENT_USE, "Static", "SS_RIGHT | SS_NOPREFIX", CONTENT_USE_PLACE);
    // Read-only: every key is captured, nothing typed goes in.
    control(out, "", ID_KEY_DATA, "Edit",
        "ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP", KEY_DATA_PLACE);
    control(out, TEXT_DELETE_BUTTON, ID_DELETE, "Button", "BS_OWNERDRAW | WS_TABSTOP", DELETE_PLACE);
    control(out, TEXT_UNDO_BUTTON, ID_UNDO, "Button", "BS_PUSHBUTTON | WS_TABSTOP", UNDO_PLACE);
    control(out, TEXT_OPERATION_GROUP, NO_ID, "Button", "BS_GROUPBOX", OPERATION_GROUP_PLACE);
    control(out, TEXT_DELAY, NO_ID, "Static", "SS_LEFT", DELAY_LABEL_PLACE);
    control(out, "", ID_DELAY, "Edit", "ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP", DELAY_PLACE);
    control(out, "", ID_DELAY_SPIN, "msctls_updown32", "UDS_ARROWKEYS", DELAY_SPIN_PLACE);
    control(out, TEXT_LAYER, NO_ID, "Static", "SS_LEFT", LAYER_LABEL_PLACE);
    control(out, "", ID_LAYER, "Edit", "ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP", LAYER_PLACE);
    control(out, "", ID_LAYER_SPIN, "msctls_updown32", "UDS_ARROWKEYS", LAYER_SPIN_PLACE);
    control(out, TEXT_MODE_GROUP, NO_ID, "Button", "BS_GROUPBOX", MODE_GROUP_PLACE);
    control(out, TEXT_STRING_MODE, ID_STRING_MODE, "Button", "BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP",
        STRING_MODE_PLACE);
    control(out, TEXT_FUNCTION_MODE, ID_FUNCTION_MODE, "Button", "BS_AUTORADIOBUTTON", FUNCTION_MODE_PLACE);
    control(out, TEXT_LAYER_SWITCH, ID_LAYER_SWITCH, "Button", "BS_AUTORADIOBUTTON", LAYER_SWITCH_PLACE);
    // The drop-down's place is its closed size; the list opens below it.
    DialogPlace layers = SWITCH_LAYER_PLACE;
    layers.height *= SWITCH_LAYER_COUNT;
    control(out, "", ID_SWITCH_LAYER, "ComboBox", "CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP",
        layers);
    control(out, TEXT_COMBINE_KEY, ID_COMBINE_KEY, "Button", "BS_AUTORADIOBUTTON | WS_DISABLED",
        COMBINE_KEY_PLACE);
    control(out, TEXT_OK, ID_OK, "Button", "BS_OWNERDRAW | WS_TABSTOP | WS_GROUP", OK_PLACE);
    control(out, TEXT_CANCEL, ID_CANCEL, "Button", "BS_OWNERDRAW | WS_TABSTOP", CANCEL_PLACE);
    out << "END\n";
}

void checkBoxes(std::ostream& out, const char* title, const DialogPlace& group,
    std::span<const keydata::SettingBit> bits, int firstId)
{
    control(out, title, NO_ID, "Button", "BS_GROUPBOX", group);
    for (std::size_t i = 0; i < bits.size(); ++i)
        control(out, bits[i].name, firstId + int(i), "Button", "BS_AUTOCHECKBOX | WS_TABSTOP",
            configBoxPlace(group, i));
}

// Template 130: the two groups of check boxes, OK and Cancel.
void configDialog(std::ostream& out)
{
    header(out, IDD_CONFIG, TEXT_CONFIG_DIALOG_TITLE, CONFIG_WIDTH, CONFIG_HEIGHT,
        "DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU");
    checkBoxes(out, TEXT_SYSTEM_CONFIG_GROUP, CONFIG_SYSTEM_GROUP, keydata::systemConfigBits(),
        IDC_FIRST_SYSTEM_BOX);
    checkBoxes(out, TEXT_MCR_CONFIG_GROUP, CONFIG_MCR_GROUP, keydata::mcrConfigBits(), IDC_FIRST_MCR_BOX);
    control(out, TEXT_OK, IDC_CONFIG_OK, "Button", "BS_OWNERDRAW | WS_TABSTOP | WS_GROUP", CONFIG_OK_PLACE);
    control(out, TEXT_CANCEL, IDC_CONFIG_CANCEL, "Button", "BS_OWNERDRAW | WS_TABSTOP", CONFIG_CANCEL_PLACE);
    out << "END\n";
}

std::string script(const std::string& artDir)
{
    std::ostringstream out;
    out << "// Made by lodemar_rcgen from the window tables (dialoglayout/); not to be edited.\n"
        << "#include <windows.h>\n#include <commctrl.h>\n\n"
        << "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n\n";
    out << resources::ICON_PROGRAM << " ICON "
        << quoted(artDir + "/" + std::to_string(resources::ICON_PROGRAM) + ".ico") << "\n";
    for (const resources::BitmapSpec& bitmap : resources::BITMAPS)
        out << bitmap.id << " BITMAP " << quoted(artDir + "/" + std::to_string(bitmap.id) + ".bmp") << "\n";
    out << "\nSTRINGTABLE\nBEGIN\n    " << IDS_ABOUTBOX << ", " << quoted(ABOUT_MENU_TEXT) << "\nEND\n";
    mainDialog(out);
    aboutDialog(out);
    keyDialog(out);
    configDialog(out);
    return out.str();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.rc ARTDIR\n", argv[0]);
        return 2;
    }
    const std::string text = script(argv[2]);
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
