// COnScreenKeyButton: a key of the key programming dialog's on-screen
// keyboard. Two-line captions (shifted over unshifted) are drawn a pixel
// smaller, so that both lines fit a 15-unit key; a one-line caption wider
// than the key ("Hom", "Num" in the dialog font) is drawn narrower.
#pragma once

#include <QPushButton>

namespace dialogs {

class COnScreenKeyButton : public QPushButton {
public:
    using QPushButton::QPushButton;

    // A one-line caption wider than the key's label area would be cut at
    // both sides: it is drawn narrower, at the same height. Called once the
    // key has its caption and size.
    void FitCaption();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace dialogs
