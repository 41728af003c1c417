#pragma once

// CColorFont: a font that keeps its full logical description and a text
// colour, and is re-created from the description after each change.

#include <windows.h>

namespace win32 {

class CColorFont {
public:
    // Height -12, weight 400, not italic, underlined or struck out,
    // DEFAULT_CHARSET, PROOF_QUALITY, VARIABLE_PITCH | FF_ROMAN, the face
    // cut to 31 characters; black.
    explicit CColorFont(const char* faceName);
    explicit CColorFont(const LOGFONTA& description);
    ~CColorFont();
    CColorFont(const CColorFont&) = delete;
    CColorFont& operator=(const CColorFont&) = delete;

    // Each returns the previous value and re-creates the font.
    int SetHeight(int height);
    int SetWeight(int weight);
    // SetWeight(700) or SetWeight(400); whether the previous weight was 500 or more.
    bool SetBold(bool bold);

    void SetColor(COLORREF color) { m_color = color; }
    COLORREF GetColor() const { return m_color; }
    HFONT Handle() const { return m_font; }
    const LOGFONTA& Description() const { return m_description; }

private:
    void Recreate();

    LOGFONTA m_description {};
    COLORREF m_color = 0;
    HFONT m_font = nullptr;
};

} // namespace win32
