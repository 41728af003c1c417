#pragma once

// CDataAreaGauge: the main window's data area gauge (ours), an owner-drawn
// static control: a line of text over a bar filled to the share of the
// keyboard's data area the table uses, coloured by its level, as the
// presenter describes it.

#include "widgets/CWindowControl_win32.h"

#include <presenters/CMainView.h>

namespace win32 {

class CDataAreaGauge : public CWindowControl {
public:
    void Show(const presenters::DataAreaLook& look);
    const presenters::DataAreaLook& Look() const { return m_look; }
    bool DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    presenters::DataAreaLook m_look;
};

} // namespace win32
