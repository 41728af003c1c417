#pragma once

// What the configuration dialog's presenter asks of a front end's "Config"
// dialog: its check boxes by control id, and ending the dialog.

namespace presenters {

class CConfigView {
public:
    virtual ~CConfigView() = default;

    virtual void SetChecked(int boxId, bool checked) = 0;
    virtual bool IsChecked(int boxId) const = 0;
    // Ends the modal dialog with OK (accepted) or Cancel.
    virtual void EndDialog(bool accepted) = 0;
};

} // namespace presenters
