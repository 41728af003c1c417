#include "BitmapArt.h"

#include <resources/ResourceIds.h>

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <functional>

namespace resources {
namespace {

using Shade = std::function<QRgb(int x, int y)>;

QRgb rgb(std::uint32_t value)
{
    return qRgb(int(value >> 16) & 0xFF, int(value >> 8) & 0xFF, int(value) & 0xFF);
}

QRgb mix(QRgb a, QRgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [t](int u, int v) { return int(std::lround(u + (v - u) * t)); };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}

// Vertical gradient over rows first..last.
Shade vertical(QRgb top, QRgb bottom, int first, int last)
{
    return
        [=](int, int y) { return mix(top, bottom, last > first ? double(y - first) / (last - first) : 0.0); };
}

Shade flat(QRgb colour)
{
    return [=](int, int) { return colour; };
}

// Whether pixel (x, y) lies inside a rounded rectangle; the pixel centre is
// tested against the corner circles, which gives crisp, symmetric corners.
bool insideRounded(const QRect& r, int radius, int x, int y)
{
    if (!r.contains(x, y))
        return false;
    if (radius <= 0)
        return true;
    const double px = x + 0.5, py = y + 0.5;
    const double left = r.left() + radius, right = r.right() + 1 - radius;
    const double top = r.top() + radius, bottom = r.bottom() + 1 - radius;
    const double cx = px < left ? left : (px > right ? right : px);
    const double cy = py < top ? top : (py > bottom ? bottom : py);
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius + 0.25;
}

void fillRounded(QImage& image, const QRect& r, int radius, const Shade& shade)
{
    for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x)
            if (insideRounded(r, radius, x, y))
                image.setPixel(x, y, shade(x, y));
}

void fillRect(QImage& image, const QRect& r, const Shade& shade)
{
    fillRounded(image, r, 0, shade);
}

// A painter for glyphs: no antialiasing, pixel-aligned pens.
struct GlyphPainter : QPainter {
    explicit GlyphPainter(QImage* image)
        : QPainter(image)
    {
        setRenderHint(QPainter::Antialiasing, false);
        setRenderHint(QPainter::TextAntialiasing, true);
    }
};

// --- Key caps -------------------------------------------------------------

enum class Look { Normal, Pressed, Disabled, Focused, Hover };

struct CapColours {
    QRgb outline, rim, highlight, faceTop, faceBottom, separator, skirtTop, skirtBottom;
};

CapColours capColours(Look look)
{
    switch (look) {
    case Look::Pressed:
        return { rgb(0x44506A), rgb(0xA9B3C3), rgb(0xB4BECD), rgb(0xD6DDE8), rgb(0xDFE5EE), rgb(0x9BA6B8),
            rgb(0xBAC3D0), rgb(0xB1BBCA) };
    case Look::Disabled:
        return { rgb(0xA9AFBA), rgb(0xD9DDE3), rgb(0xF6F7F9), rgb(0xEDEFF2), rgb(0xE9EBEF), rgb(0xCFD3DA),
            rgb(0xE0E3E8), rgb(0xDADDE3) };
    case Look::Focused:
        return { rgb(0x1F63D1), rgb(0x8DB4F0), rgb(0xFFFFFF), rgb(0xF1F6FE), rgb(0xDEE7F5), rgb(0x95ABCF),
            rgb(0xC6D4EC), rgb(0xAFC1E0) };
    case Look::Hover:
        return { rgb(0x4F6FA8), rgb(0xB6C6E2), rgb(0xFFFFFF), rgb(0xFBFCFF), rgb(0xE6ECF8), rgb(0xA3B2CB),
            rgb(0xCBD5E6), rgb(0xB3C0D6) };
    case Look::Normal:
        break;
    }
    return { rgb(0x55617A), rgb(0xB9C2D0), rgb(0xFFFFFF), rgb(0xF6F8FB), rgb(0xE2E7EF), rgb(0xA7B1C2),
        rgb(0xCDD4DF), rgb(0xB4BDCC) };
}

// One key cap filling the rectangle r: outline, side rims, a highlight row,
// the top face and a front skirt of skirtRows rows. With a 2-pixel side
// border the rims stay inside the fixed columns of a nine-slice skin, and the
// face is uniform across, so stretching it never loses a line.
void drawCap(QImage& image, const QRect& r, int radius, int skirtRows, const CapColours& c)
{
    fillRounded(image, r, radius, flat(c.outline));
    const QRect inner = r.adjusted(1, 1, -1, -1);
    const int separatorRow = inner.bottom() - skirtRows;
    const int faceFirst = inner.top() + 1;
    const int faceLast = separatorRow - 1;
    const Shade face = vertical(c.faceTop, c.faceBottom, faceFirst, faceLast);
    const Shade skirt = vertical(c.skirtTop, c.skirtBottom, separatorRow + 1, inner.bottom());
    fillRounded(image, inner, std::max(0, radius - 1), [&](int x, int y) {
        if (y > separatorRow)
            return skirt(x, y);
        if (y == separatorRow)
            return c.separator;
        if (x == inner.left() || x == inner.right())
            return c.rim;
        if (y == inner.top())
            return c.highlight;
        return face(x, y);
    });
}

// A pressed cap sits one pixel inside the frame (so that a focus outline
// drawn underneath stays visible), with a shadow under its top edge.
void drawPressedCap(QImage& image, const QRect& frame, int radius, int skirtRows)
{
    const CapColours c = capColours(Look::Pressed);
    const QRect r = frame.adjusted(1, 1, -1, -1);
    fillRounded(image, r, std::max(0, radius - 1), flat(c.outline));
    const QRect inner = r.adjusted(1, 1, -1, -1);
    const int separatorRow = inner.bottom() - skirtRows;
    const Shade face = vertical(c.faceTop, c.faceBottom, inner.top() + 1, separatorRow - 1);
    fillRounded(image, inner, std::max(0, radius - 2), [&](int x, int y) {
        if (y > separatorRow)
            return c.skirtBottom;
        if (y == separatorRow)
            return c.separator;
        if (y == inner.top() || x == inner.left())
            return c.highlight; // the shadow cast by the frame
        return face(x, y);
    });
}

// A skin strip: frames normal, pressed, disabled, focused, hover.
QImage drawKeySkin(const BitmapSpec& shape)
{
    QImage image(shape.width, shape.height, QImage::Format_RGB32);
    image.fill(rgb(RGB_TRANSPARENT));
    const int frameWidth = shape.width / shape.frames;
    const int skirtRows = shape.bottom - 2; // separator and outline take the rest of the bottom border
    const int radius = std::min(shape.left, shape.right);
    const Look looks[] = { Look::Normal, Look::Pressed, Look::Disabled, Look::Focused, Look::Hover };
    for (int f = 0; f < shape.frames; ++f) {
        const QRect frame(f * frameWidth, 0, frameWidth, shape.height);
        const Look look = looks[std::min(f, 4)];
        if (look == Look::Pressed)
            drawPressedCap(image, frame, radius, skirtRows - 1);
        else
            drawCap(image, frame, radius, skirtRows, capColours(look));
        if (look == Look::Focused) // the inner focus ring
            fillRect(image, QRect(frame.left() + 1, 1, frameWidth - 2, 1), flat(capColours(look).rim));
    }
    return image;
}

// --- Command button skin --------------------------------------------------

struct ButtonColours {
    QRgb outline, ring, glossTop, glossBottom, lowerTop, lowerBottom, shade;
};

ButtonColours buttonColours(Look look)
{
    switch (look) {
    case Look::Pressed:
        return { rgb(0x3B4A66), rgb(0xB9C3D2), rgb(0xCCD5E2), rgb(0xD6DEE9), rgb(0xDCE3EC), rgb(0xE6EBF2),
            rgb(0xEDF1F6) };
    case Look::Disabled:
        return { rgb(0xB6BCC6), rgb(0xF7F8FA), rgb(0xF2F4F6), rgb(0xEFF1F4), rgb(0xECEEF1), rgb(0xE9EBEE),
            rgb(0xE1E4E8) };
    case Look::Focused:
        return { rgb(0x1F63D1), rgb(0x8DB4F0), rgb(0xFBFDFF), rgb(0xEBF2FC), rgb(0xDCE6F5), rgb(0xCFDCEF),
            rgb(0xB9CBE8) };
    case Look::Hover:
        return { rgb(0x4F6FA8), rgb(0xFFFFFF), rgb(0xFEFEFF), rgb(0xF0F5FD), rgb(0xE4ECF9), rgb(0xD7E2F4),
            rgb(0xC3D1EA) };
    case Look::Normal:
        break;
    }
    return { rgb(0x5D6B82), rgb(0xFFFFFF), rgb(0xFDFEFE), rgb(0xEEF2F7), rgb(0xE1E7EF), rgb(0xD3DBE6),
        rgb(0xC4CDDA) };
}

// A rounded button with a glossy upper half. All shading runs along the
// rows, so the stretched middle columns are identical.
void drawButton(QImage& image, const QRect& r, int radius, const ButtonColours& c, bool pressed)
{
    fillRounded(image, r, radius, flat(c.outline));
    const QRect inner = r.adjusted(1, 1, -1, -1);
    const int split = inner.top() + inner.height() / 2;
    const Shade upper = vertical(c.glossTop, c.glossBottom, inner.top() + 1, split - 1);
    const Shade lower = vertical(c.lowerTop, c.lowerBottom, split, inner.bottom() - 1);
    fillRounded(image, inner, radius - 1, [&](int x, int y) {
        if (y == inner.top())
            return c.ring;
        if (y == inner.bottom())
            return c.shade;
        if (x == inner.left())
            return pressed ? c.ring : mix(c.ring, upper(x, y), 0.3);
        if (x == inner.right())
            return c.shade;
        return y < split ? upper(x, y) : lower(x, y);
    });
}

QImage drawCommandSkin(const BitmapSpec& shape)
{
    QImage image(shape.width, shape.height, QImage::Format_RGB32);
    image.fill(rgb(RGB_TRANSPARENT));
    const int frameWidth = shape.width / shape.frames;
    const int radius = 4;
    const Look looks[] = { Look::Normal, Look::Pressed, Look::Disabled, Look::Focused, Look::Hover };
    for (int f = 0; f < shape.frames; ++f) {
        const QRect frame(f * frameWidth, 0, frameWidth, shape.height);
        const Look look = looks[std::min(f, 4)];
        if (look == Look::Pressed)
            drawButton(image, frame.adjusted(1, 1, -1, -1), radius - 1, buttonColours(look), true);
        else
            drawButton(image, frame, radius, buttonColours(look), false);
        if (look == Look::Focused) { // inner focus ring, under a pressed frame drawn on top
            const QRect ring = frame.adjusted(1, 1, -1, -1);
            const QRgb colour = buttonColours(look).ring;
            fillRect(image, QRect(ring.left() + 2, ring.top(), ring.width() - 4, 1), flat(colour));
            fillRect(image, QRect(ring.left() + 2, ring.bottom(), ring.width() - 4, 1), flat(colour));
            fillRect(image, QRect(ring.left(), ring.top() + 2, 1, ring.height() - 4), flat(colour));
            fillRect(image, QRect(ring.right(), ring.top() + 2, 1, ring.height() - 4), flat(colour));
        }
    }
    return image;
}

// --- Strips ---------------------------------------------------------------

enum class Glyph { None, Shift, Enter, Delete };

struct StripArt {
    const char* label;
    Glyph glyph;
    bool latched; // the pushed variant of a modifier
};

StripArt stripArt(int id)
{
    switch (id) {
    case BITMAP_KEYPAD_ENTER:
        return { "", Glyph::Enter, false };
    case BITMAP_SHIFT_RELEASED:
        return { "Shift", Glyph::Shift, false };
    case BITMAP_SHIFT_PUSHED:
        return { "Shift", Glyph::Shift, true };
    case BITMAP_CTRL_RELEASED:
        return { "Ctrl", Glyph::None, false };
    case BITMAP_CTRL_PUSHED:
        return { "Ctrl", Glyph::None, true };
    case BITMAP_ALT_RELEASED:
        return { "Alt", Glyph::None, false };
    case BITMAP_ALT_PUSHED:
        return { "Alt", Glyph::None, true };
    case BITMAP_DELETE_KEY:
        return { "", Glyph::Delete, false };
    default:
        return { "", Glyph::None, false };
    }
}

CapColours latchedColours(Look look)
{
    CapColours c = capColours(look);
    if (look == Look::Disabled)
        return c;
    c.faceTop = rgb(look == Look::Pressed ? 0xC5D8F6 : 0xDCE9FD);
    c.faceBottom = rgb(look == Look::Pressed ? 0xB9D0F3 : 0xBED5F8);
    c.skirtTop = rgb(0xA9C0E6);
    c.skirtBottom = rgb(0x94AEDB);
    c.separator = rgb(0x7F9BCB);
    c.outline = rgb(look == Look::Focused ? 0x1F63D1 : 0x2E4F8F);
    return c;
}

void drawShiftArrow(QPainter& p, int cx, int top, const QColor& colour)
{
    // A hollow upward arrow, 7 pixels wide and 7 high.
    const QPoint outline[] = { { cx, top }, { cx + 3, top + 3 }, { cx + 2, top + 3 }, { cx + 2, top + 6 },
        { cx - 2, top + 6 }, { cx - 2, top + 3 }, { cx - 3, top + 3 } };
    p.setPen(colour);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(outline, 7);
}

void drawEnterArrow(QPainter& p, const QRect& face, const QColor& colour)
{
    // Down from the top right, then left to an arrow head.
    const int right = face.center().x() + 3;
    const int top = face.center().y() - 6;
    const int bottom = face.center().y() + 3;
    const int left = face.center().x() - 4;
    p.setPen(colour);
    p.drawLine(right, top, right, bottom);
    p.drawLine(right - 1, top, right - 1, bottom);
    p.drawLine(left, bottom, right, bottom);
    p.drawLine(left, bottom - 1, right, bottom - 1);
    for (int i = 1; i <= 3; ++i) {
        p.drawLine(left + i, bottom - 1 - i, left + i, bottom + i);
    }
}

void drawDeleteGlyph(QPainter& p, const QRect& face, const QColor& colour)
{
    // A key-shaped pentagon pointing left, with a cross inside.
    const int cx = face.center().x() + 1;
    const int cy = face.center().y();
    const QPoint outline[]
        = { { cx - 9, cy }, { cx - 5, cy - 4 }, { cx + 6, cy - 4 }, { cx + 6, cy + 4 }, { cx - 5, cy + 4 } };
    p.setPen(colour);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(outline, 5);
    p.drawLine(cx - 2, cy - 2, cx + 2, cy + 2);
    p.drawLine(cx - 2, cy + 2, cx + 2, cy - 2);
}

// Pixels of a cap that happen to equal one of the 3-D greys would be
// recoloured when the strip is loaded; nudge them off by one step of blue.
void avoidSystemGreys(QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            if (p == RGB_3D_FACE || p == RGB_3D_SHADOW || p == RGB_3D_LIGHT)
                image.setPixel(x, y, qRgb(qRed(p), qGreen(p), qBlue(p) + 1));
        }
}

QImage drawStrip(const BitmapSpec& shape)
{
    QImage image(shape.width, shape.height, QImage::Format_RGB32);
    image.fill(rgb(RGB_3D_FACE));
    const StripArt art = stripArt(shape.id);
    const int frameWidth = shape.width / shape.frames;
    // Frames: normal, pressed, (unused: hover), disabled.
    const Look looks[] = { Look::Normal, Look::Pressed, Look::Hover, Look::Disabled };
    QFont font("Liberation Sans");
    font.setPixelSize(9);
    font.setBold(true);
    for (int f = 0; f < shape.frames; ++f) {
        const Look look = looks[std::min(f, 3)];
        const QRect frame(f * frameWidth, 0, frameWidth, shape.height);
        const bool pressed = look == Look::Pressed;
        QRect cap = frame.adjusted(1, 1, -1, -1);
        if (pressed)
            cap.adjust(0, 1, 0, 0);
        const CapColours colours = art.latched ? latchedColours(look) : capColours(look);
        const int skirtRows = pressed ? 1 : 3;
        drawCap(image, cap, 3, skirtRows, colours);
        avoidSystemGreys(image, cap);

        const QRect face(cap.left() + 2, cap.top() + 2, cap.width() - 4, cap.height() - skirtRows - 4);
        const QColor ink = look == Look::Disabled ? QColor(0x9A, 0xA1, 0xAE)
            : art.latched                         ? QColor(0x0E, 0x3B, 0x8C)
                                                  : QColor(0x1C, 0x2A, 0x48);
        GlyphPainter p(&image);
        p.setClipRect(cap.adjusted(1, 1, -1, -1));
        p.setFont(font);
        p.setPen(ink);
        switch (art.glyph) {
        case Glyph::Shift: {
            const int textWidth = p.fontMetrics().horizontalAdvance(art.label);
            const int total = 7 + 3 + textWidth;
            const int left = face.center().x() - total / 2;
            drawShiftArrow(p, left + 3, face.center().y() - 3, ink);
            p.drawText(QRect(left + 10, face.top(), textWidth + 2, face.height()),
                Qt::AlignVCenter | Qt::AlignLeft, art.label);
            break;
        }
        case Glyph::Enter:
            drawEnterArrow(p, face, ink);
            break;
        case Glyph::Delete:
            drawDeleteGlyph(p, face, ink);
            break;
        case Glyph::None:
            p.drawText(face, Qt::AlignCenter, art.label);
            break;
        }
        if (art.latched && look != Look::Disabled) {
            // The lit indicator of a latched modifier, top left.
            p.fillRect(QRect(cap.left() + 3, cap.top() + 3, 4, 2), QColor(0x22, 0xB8, 0x4C));
        }
        p.end();
        avoidSystemGreys(image, cap);
    }
    return image;
}

// --- Decoration -----------------------------------------------------------

// A magnetic card standing on end, stripe to the right: the keyboard's
// card reader.
QImage drawDecoration(const BitmapSpec& shape)
{
    QImage image(shape.width, shape.height, QImage::Format_RGB32);
    image.fill(rgb(RGB_TRANSPARENT));
    const QRect card(2, 2, shape.width - 5, shape.height - 5);
    // A hard drop shadow, then the card.
    fillRounded(image, card.translated(2, 2), 3, flat(rgb(0x9AA4B6)));
    fillRounded(image, card, 3, flat(rgb(0x3A4D78)));
    fillRounded(
        image, card.adjusted(1, 1, -1, -1), 2, vertical(rgb(0xFFFFFF), rgb(0xD8E4F7), 3, card.bottom()));
    // Magnetic stripe.
    fillRect(image, QRect(card.right() - 7, card.top() + 1, 4, card.height() - 2), flat(rgb(0x1E2533)));
    // Printed lines and a small key on the card.
    for (int i = 0; i < 4; ++i)
        fillRect(image, QRect(card.left() + 4, card.top() + 5 + i * 4, 2, 2 + (i % 2)), flat(rgb(0x6D8BC4)));
    fillRect(image, QRect(card.left() + 4, card.bottom() - 12, 9, 1), flat(rgb(0x8FA6D2)));
    fillRect(image, QRect(card.left() + 4, card.bottom() - 9, 7, 1), flat(rgb(0x8FA6D2)));
    fillRounded(image, QRect(card.left() + 4, card.bottom() - 6, 8, 4), 1, flat(rgb(0x1F63D1)));
    return image;
}

} // namespace

QImage drawBitmap(int id)
{
    const BitmapSpec* shape = findBitmapSpec(id);
    if (!shape)
        return {};
    switch (shape->kind) {
    case BitmapKind::Skin:
        return id == BITMAP_COMMAND_SKIN ? drawCommandSkin(*shape) : drawKeySkin(*shape);
    case BitmapKind::Strip:
        return drawStrip(*shape);
    case BitmapKind::Decoration:
        return drawDecoration(*shape);
    }
    return {};
}

// A compact keyboard on a transparent ground, one key lit in the accent
// colour. Drawn on a 64-unit grid and scaled, antialiased (icons carry
// alpha, so there is no magenta to fringe).
QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);

    const QRectF body(3, 13, 58, 40);
    QPainterPath bodyPath;
    bodyPath.addRoundedRect(body, 7, 7);
    p.fillPath(bodyPath.translated(0, 2), QColor(0, 0, 0, 60));
    QLinearGradient bodyFill(body.topLeft(), body.bottomLeft());
    bodyFill.setColorAt(0, QColor(0x3A, 0x4D, 0x78));
    bodyFill.setColorAt(1, QColor(0x22, 0x2F, 0x4D));
    p.fillPath(bodyPath, bodyFill);

    const bool small = size < 32;
    const int columns = small ? 4 : 6;
    const int rows = small ? 2 : 3;
    const double gap = small ? 4.0 : 2.5;
    const QRectF keys = body.adjusted(6, 6, -6, -6);
    const double keyWidth = (keys.width() - gap * (columns - 1)) / columns;
    const double keyHeight = (keys.height() - gap * rows) / (rows + 1);
    auto key = [&](const QRectF& r, const QColor& top, const QColor& bottom) {
        QPainterPath path;
        path.addRoundedRect(r, 1.8, 1.8);
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.fillPath(path, fill);
    };
    const QColor keyTop(0xF6, 0xF8, 0xFB), keyBottom(0xC9, 0xD1, 0xDE);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const QRectF k(
                keys.left() + c * (keyWidth + gap), keys.top() + r * (keyHeight + gap), keyWidth, keyHeight);
            const bool lit = r == 0 && c == columns - 1;
            key(k, lit ? QColor(0x6F, 0xA6, 0xFF) : keyTop, lit ? QColor(0x1F, 0x63, 0xD1) : keyBottom);
        }
    const QRectF space(keys.left() + keyWidth + gap, keys.top() + rows * (keyHeight + gap),
        keys.width() - 2 * (keyWidth + gap), keyHeight);
    key(space, keyTop, keyBottom);
    return image;
}

} // namespace resources
