// CMainView: what the main window's presenter asks of the window. The view
// builds the controls of template 102 (dialoglayout/MainDialogLayout.h),
// forwards the user's commands to CMainDialogPresenter and shows what it
// is told here. Every text is UTF-8 except the key text of the content box,
// which is ISO-8859-1 bytes as keydata renders them.
#pragma once

#include <dialoglayout/DialogPlace.h>

#include <string>

namespace presenters {

using dialoglayout::ColorRef;

// What one key cap shows: its caption in its colour, and what a screen
// reader says of it.
struct KeyCapLook {
    std::string caption;
    ColorRef color = 0;
    std::string accessibleName; // "Key 3"
    std::string accessibleDescription; // "empty", "string: Hello[Enter]"
    friend bool operator==(const KeyCapLook&, const KeyCapLook&) = default;
};

// The data area gauge: a line of text over a bar filled to permille
// thousandths, coloured by level, with its tip.
enum class DataAreaLevel { Normal, NearLimit, Refused };
struct DataAreaLook {
    std::string text;
    std::string tip;
    DataAreaLevel level = DataAreaLevel::Normal;
    int permille = 0;
    friend bool operator==(const DataAreaLook&, const DataAreaLook&) = default;
};

// Undo and redo as the window's menu and shortcuts offer them.
struct EditActions {
    std::string undoText;
    bool canUndo = false;
    std::string redoText;
    bool canRedo = false;
    friend bool operator==(const EditActions&, const EditActions&) = default;
};

class CMainView {
public:
    virtual ~CMainView() = default;

    virtual void SetTitle(const std::string& title) = 0;
    // A command button's caption, a control's tool tip.
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual void SetControlTip(int id, const std::string& tip) = 0;
    // The key cap of control id 1001..1100, repainted.
    virtual void ShowKeyCap(int id, const KeyCapLook& look) = 0;
    // The key content box (1127): key text, ISO-8859-1.
    virtual void ShowKeyContent(const std::string& latin1Text) = 0;
    virtual void ShowDataArea(const DataAreaLook& look) = 0;
    virtual void ShowEditActions(const EditActions& actions) = 0;

    // Gives the focus to the control with this id; false when the window
    // has no such control.
    virtual bool FocusControl(int id) = 0;
    // The last key cap of the five main rows that lost the focus to another
    // window (0 when none has), as the key caps record it.
    virtual int LastFocusedKey() const = 0;
    // A blocking read may leave the mouse captured by a control.
    virtual void ReleaseMouseCapture() = 0;

    // The window's system commands, and its end (the dialog ends with the
    // cancel result, which ends the program).
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual void Close() = 0;
};

} // namespace presenters
