// CKeyProgrammingView: what the key programming dialog's presenter asks of
// the dialog. The view builds the controls of template 129
// (dialoglayout/KeyDialogLayout.h), forwards clicks, field changes and the
// keys of "Key Data" to CKeyProgrammingPresenter and shows what it is told
// here. Texts are UTF-8 except "Key Data", which is ISO-8859-1 key text.
#pragma once

#include <string>

namespace presenters {

class CKeyProgrammingView {
public:
    virtual ~CKeyProgrammingView() = default;

    virtual void SetTitle(const std::string& title) = 0;
    // "Key Data" (ISO-8859-1), caret at the end and scrolled into view.
    virtual void ShowKeyData(const std::string& latin1Text) = 0;
    // The text of an edit field (Delay 1131, Layer 1132) or a label (the
    // bytes in use); reading it back is the fields' exchange.
    virtual void SetFieldText(int id, const std::string& text) = 0;
    virtual std::string FieldText(int id) const = 0;
    // Checks the radio button of a mode (1160, 1161, 1163).
    virtual void CheckRadio(int id) = 0;
    // The layer combo box's selection, 0..14, or -1 for none.
    virtual void SelectSwitchLayer(int index) = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    // A strip button's picture (resources::BITMAP_*) and tool tip, redrawn.
    virtual void ShowStrip(int id, int bitmap, const std::string& tip) = 0;
    // Gives the focus to a control; with selectAll its text is selected
    // (a field whose value was refused).
    virtual void FocusControl(int id, bool selectAll) = 0;
    // The dialog's standard Tab handling: the focus to the next (or the
    // previous) control.
    virtual void MoveFocus(bool forward) = 0;
    // Ends the modal dialog with OK (true) or Cancel.
    virtual void Close(bool accepted) = 0;
};

} // namespace presenters
