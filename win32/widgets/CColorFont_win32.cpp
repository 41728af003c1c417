#include "widgets/CColorFont_win32.h"

#include <cstring>

namespace win32 {
namespace {

inline constexpr int DEFAULT_HEIGHT = -12;
inline constexpr int BOLD_FROM = FW_MEDIUM;

} // namespace

CColorFont::CColorFont(const char* faceName)
{
    m_description.lfHeight = DEFAULT_HEIGHT;
    m_description.lfWeight = FW_NORMAL;
    m_description.lfCharSet = DEFAULT_CHARSET;
    m_description.lfQuality = PROOF_QUALITY;
    m_description.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
    if (faceName)
        std::strncpy(m_description.lfFaceName, faceName, LF_FACESIZE - 1);
    Recreate();
}

CColorFont::CColorFont(const LOGFONTA& description)
    : m_description(description)
{
    m_description.lfFaceName[LF_FACESIZE - 1] = '\0';
    Recreate();
}

CColorFont::~CColorFont()
{
    if (m_font)
        DeleteObject(m_font);
}

void CColorFont::Recreate()
{
    if (m_font)
        DeleteObject(m_font);
    m_font = CreateFontIndirectA(&m_description);
}

int CColorFont::SetHeight(int height)
{
    const int previous = m_description.lfHeight;
    m_description.lfHeight = height;
    Recreate();
    return previous;
}

int CColorFont::SetWeight(int weight)
{
    const int previous = m_description.lfWeight;
    m_description.lfWeight = weight;
    Recreate();
    return previous;
}

bool CColorFont::SetBold(bool bold)
{
    return SetWeight(bold ? FW_BOLD : FW_NORMAL) >= BOLD_FROM;
}

} // namespace win32
