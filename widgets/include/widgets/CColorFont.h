// CColorFont: a font that keeps its full logical description and a text
// colour, and is re-created from the description after each change.
#pragma once

#include <widgets/Colors.h>

#include <QFont>

#include <cstdint>

class QString;

namespace widgets {

inline constexpr int LF_FACESIZE = 32; // face name bytes, NUL included

inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_MEDIUM = 500;
inline constexpr int FW_BOLD = 700;

inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t DEFAULT_QUALITY = 0;
inline constexpr std::uint8_t PROOF_QUALITY = 2;
inline constexpr std::uint8_t NONANTIALIASED_QUALITY = 3;
inline constexpr std::uint8_t ANTIALIASED_QUALITY = 4;
inline constexpr std::uint8_t CLEARTYPE_QUALITY = 5;

inline constexpr std::uint8_t DEFAULT_PITCH = 0x00;
inline constexpr std::uint8_t FIXED_PITCH = 0x01;
inline constexpr std::uint8_t VARIABLE_PITCH = 0x02;
inline constexpr std::uint8_t FF_DONTCARE = 0x00;
inline constexpr std::uint8_t FF_ROMAN = 0x10;
inline constexpr std::uint8_t FF_SWISS = 0x20;
inline constexpr std::uint8_t FF_MODERN = 0x30;
inline constexpr std::uint8_t FF_SCRIPT = 0x40;
inline constexpr std::uint8_t FF_DECORATIVE = 0x50;

// The logical font record. Height follows the platform's rule: negative is
// the character height in pixels, positive the cell height (character plus
// internal leading), 0 the default size.
struct LogicalFont {
    int height = 0;
    int width = 0;
    int escapement = 0; // kept, not applied: Qt fonts do not rotate
    int orientation = 0; // kept, not applied
    int weight = FW_DONTCARE;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0; // kept; Qt fonts are Unicode
    std::uint8_t outPrecision = 0; // kept
    std::uint8_t clipPrecision = 0; // kept
    std::uint8_t quality = DEFAULT_QUALITY;
    std::uint8_t pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    char faceName[LF_FACESIZE] = {}; // UTF-8, NUL-terminated
};

// The description of an existing QFont (for "a font like that field's, but
// bold"): face, pixel height as a negative height, weight and styles.
LogicalFont logicalFontOf(const QFont& font);

// The QFont a description stands for, with the face substitutions of
// dialogFont() applied.
QFont fontFromLogical(const LogicalFont& description);

class CColorFont {
public:
    // Height -12, weight 400, PROOF_QUALITY, VARIABLE_PITCH | FF_ROMAN,
    // DEFAULT_CHARSET; the face cut to 31 bytes at a character boundary.
    explicit CColorFont(const QString& faceName);
    explicit CColorFont(const LogicalFont& description);

    // Each returns the previous value and re-creates the font.
    int SetHeight(int height);
    int SetWeight(int weight);
    // SetWeight(700) or SetWeight(400); returns whether the previous weight was 500 or more.
    bool SetBold(bool bold);

    void SetColor(ColorRef color) { m_color = color; }
    ColorRef GetColor() const { return m_color; }

    const LogicalFont& Description() const { return m_description; }
    const QFont& Font() const { return m_font; }
    QColor TextColor() const { return colorFromRef(m_color); }

private:
    void Recreate();

    LogicalFont m_description;
    ColorRef m_color = COLOR_BLACK;
    QFont m_font;
};

} // namespace widgets
