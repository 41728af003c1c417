#pragma once

// CPicture: an owner-drawn static control of a template that shows a bitmap
// resource over the button face, magenta let through (the main window's
// decoration, bitmap 134).

#include "widgets/CWindowControl_win32.h"

namespace win32 {

class CPicture : public CWindowControl {
public:
    ~CPicture() override;
    // False when the bitmap cannot be loaded.
    bool LoadPicture(int bitmapId);
    bool DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    HBITMAP m_picture = nullptr;
    int m_width = 0;
    int m_height = 0;
};

} // namespace win32
