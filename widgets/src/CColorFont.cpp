#include <widgets/CColorFont.h>
#include <widgets/DialogUnits.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QString>

#include <algorithm>
#include <cstring>

namespace widgets {
namespace {

inline constexpr int DEFAULT_HEIGHT = -12;
inline constexpr int METRICS_PROBE_PIXELS = 100;

// Copies a face name into the record: at most LF_FACESIZE - 1 bytes of
// UTF-8, never ending inside a character.
void copyFaceName(char (&target)[LF_FACESIZE], const QString& face)
{
    const QByteArray bytes = face.toUtf8();
    int length = std::min<int>(int(bytes.size()), LF_FACESIZE - 1);
    if (length < bytes.size())
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
    std::memset(target, 0, sizeof target);
    std::memcpy(target, bytes.constData(), std::size_t(length));
}

QString faceNameOf(const LogicalFont& description)
{
    return QString::fromUtf8(description.faceName, int(strnlen(description.faceName, LF_FACESIZE)));
}

QFont::StyleHint styleHintOf(std::uint8_t pitchAndFamily)
{
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN:
        return QFont::Serif;
    case FF_SWISS:
        return QFont::SansSerif;
    case FF_MODERN:
        return QFont::TypeWriter;
    case FF_SCRIPT:
        return QFont::Cursive;
    case FF_DECORATIVE:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

// The pixel size of a font whose cell (ascent + descent) is cellHeight.
int pixelSizeForCell(const QFont& font, int cellHeight)
{
    QFont probe(font);
    probe.setPixelSize(METRICS_PROBE_PIXELS);
    const int probeCell = QFontMetrics(probe).height();
    if (probeCell <= 0)
        return cellHeight;
    return std::max(1, (cellHeight * METRICS_PROBE_PIXELS + probeCell / 2) / probeCell);
}

} // namespace

QFont fontFromLogical(const LogicalFont& d)
{
    installFontSubstitutions();
    const QString face = faceNameOf(d);
    QFont font;
    if (!face.isEmpty())
        font.setFamily(face);
    font.setStyleHint(styleHintOf(d.pitchAndFamily));
    if (d.pitchAndFamily & FIXED_PITCH)
        font.setFixedPitch(true);
    const int weight = d.weight == FW_DONTCARE ? FW_NORMAL : std::clamp(d.weight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(d.italic);
    font.setUnderline(d.underline);
    font.setStrikeOut(d.strikeOut);
    if (d.quality == NONANTIALIASED_QUALITY)
        font.setStyleStrategy(QFont::NoAntialias);
    else if (d.quality == ANTIALIASED_QUALITY || d.quality == CLEARTYPE_QUALITY)
        font.setStyleStrategy(QFont::PreferAntialias);

    int pixels;
    if (d.height < 0) {
        pixels = substitutedPixelHeight(face, -d.height);
    } else if (d.height > 0) {
        pixels = pixelSizeForCell(font, d.height);
        pixels = substitutedPixelHeight(face, pixels);
    } else {
        pixels = DIALOG_FONT_PIXELS;
    }
    font.setPixelSize(std::max(1, pixels));

    if (d.width > 0) {
        // Width is the average character width: stretch to reach it.
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(std::clamp(d.width * 100 / natural, 1, 4000));
    }
    return font;
}

LogicalFont logicalFontOf(const QFont& font)
{
    LogicalFont d;
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    d.height = -pixels;
    d.weight = font.weight();
    d.italic = font.italic();
    d.underline = font.underline();
    d.strikeOut = font.strikeOut();
    d.charSet = DEFAULT_CHARSET;
    d.quality = font.styleStrategy() & QFont::NoAntialias ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY;
    d.pitchAndFamily = font.fixedPitch() ? FIXED_PITCH : VARIABLE_PITCH;
    copyFaceName(d.faceName, font.family());
    return d;
}

CColorFont::CColorFont(const QString& faceName)
{
    m_description.height = DEFAULT_HEIGHT;
    m_description.weight = FW_NORMAL;
    m_description.charSet = DEFAULT_CHARSET;
    m_description.quality = PROOF_QUALITY;
    m_description.pitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
    copyFaceName(m_description.faceName, faceName);
    Recreate();
}

CColorFont::CColorFont(const LogicalFont& description)
    : m_description(description)
{
    // The face must end within the record whatever the caller put there.
    m_description.faceName[LF_FACESIZE - 1] = '\0';
    Recreate();
}

void CColorFont::Recreate()
{
    m_font = fontFromLogical(m_description);
}

int CColorFont::SetHeight(int height)
{
    const int previous = m_description.height;
    m_description.height = height;
    Recreate();
    return previous;
}

int CColorFont::SetWeight(int weight)
{
    const int previous = m_description.weight;
    m_description.weight = weight;
    Recreate();
    return previous;
}

bool CColorFont::SetBold(bool bold)
{
    return SetWeight(bold ? FW_BOLD : FW_NORMAL) >= FW_MEDIUM;
}

} // namespace widgets
