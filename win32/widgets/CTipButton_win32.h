#pragma once

// CTipButton: a push button of a template with its own tool tip, made on
// first need; the mouse messages over the button are relayed to it.
// CStripButton: a CTipButton that shows one frame of a four-frame bitmap
// strip at natural size (presenters/ButtonFaces.h says which) and takes the
// size of one frame; the strip carries the label.

#include "widgets/CWindowControl_win32.h"

#include <commctrl.h>

#include <string>

namespace win32 {

class CTipButton : public CWindowControl {
public:
    ~CTipButton() override;

    // Without text nothing happens; otherwise the tool (the button's client
    // area, tool id 1) gets the text, and the tip is activated or not.
    void SetTip(const char* text, bool activate);
    HWND ToolTip() const { return m_toolTip; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool EnsureToolTip();

    HWND m_toolTip = nullptr;
    bool m_hasTool = false;
};

class CStripButton : public CTipButton {
public:
    ~CStripButton() override;

    // Loads the strip with its 3-D greys mapped to the system colours and
    // sizes the button to one frame. False, changing nothing, when the
    // bitmap cannot be loaded.
    bool LoadStrip(int bitmapId);
    bool DrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HBITMAP m_strip = nullptr;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
};

} // namespace win32
