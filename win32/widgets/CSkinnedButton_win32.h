#pragma once

// CSkinnedButton: an owner-drawn push button of a template painted from a
// skin, a bitmap strip of equally wide frames (normal, pressed, disabled,
// focused), cut for the button's size as presenters/ButtonFaces.h says and
// drawn over the button face with magenta let through. Every command button
// and key cap is one; a key cap of the five main rows records the last
// focused key when it gives the focus away.
//
//   CSkinnedButton ok;
//   ok.Attach(dialog, IDOK);
//   ok.LoadSkin(resources::BITMAP_COMMAND_SKIN, 5, 15, 6, 15, 8);
//   ok.SetCaptionColor(0x500000);

#include "widgets/CColorFont_win32.h"
#include "widgets/CWindowControl_win32.h"

#include <dialoglayout/DialogPlace.h>
#include <presenters/ButtonFaces.h>

namespace win32 {

class CSkinnedButton : public CWindowControl {
public:
    CSkinnedButton();
    ~CSkinnedButton() override;

    // Builds the four state images for the button's present size; true when
    // all four were built (those built before a failure stay).
    bool LoadSkin(int bitmapId, int frameCount, int top, int bottom, int left, int right);
    // A face of the window tables (skin and borders).
    bool LoadFace(const dialoglayout::SkinFace& face);
    // Sets the caption's colour and updates the window.
    void SetCaptionColor(COLORREF color);
    COLORREF CaptionColor() const { return m_captionFont.GetColor(); }
    bool IsSkinReady() const { return m_skinReady; }

    bool DrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FreeImages();
    void Draw(HDC target, presenters::SkinState state, int width, int height);

    bool m_skinReady = false;
    HBITMAP m_images[presenters::SKIN_STATES] = {};
    COLORREF m_transparent = RGB(255, 0, 255);
    CColorFont m_captionFont;
};

// The program-wide last focused key: the control id of the last key cap of
// the five main rows that gave the focus to another window; 0 until one has.
int LastFocusedKey();

} // namespace win32
