#include "widgets/CSkinnedButton_win32.h"

#include "widgets/GdiImages_win32.h"

#include <array>

namespace win32 {
namespace {

inline constexpr const char* CAPTION_FACE = "MS Sans Serif";

int g_lastFocusedKey = 0;

} // namespace

int LastFocusedKey()
{
    return g_lastFocusedKey;
}

CSkinnedButton::CSkinnedButton()
    : m_captionFont(CAPTION_FACE)
{
}

CSkinnedButton::~CSkinnedButton()
{
    FreeImages();
}

void CSkinnedButton::FreeImages()
{
    for (HBITMAP& image : m_images) {
        if (image)
            DeleteObject(image);
        image = nullptr;
    }
}

bool CSkinnedButton::LoadSkin(int bitmapId, int frameCount, int top, int bottom, int left, int right)
{
    int width = 0, height = 0;
    HBITMAP strip = loadResourceBitmap(bitmapId, width, height);
    if (!strip || !Handle()) {
        if (strip)
            DeleteObject(strip);
        return false;
    }
    RECT client {};
    GetClientRect(Handle(), &client);
    const presenters::SkinStrip shape { width, height, frameCount, top, bottom, left, right };
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HGDIOBJ oldSource = SelectObject(source, strip);
    bool built = true;
    for (int frame = 0; frame < presenters::SKIN_STATES && built; ++frame) {
        std::array<presenters::SkinPiece, 9> pieces;
        built = presenters::skinPieces(shape, frame, client.right, client.bottom, pieces);
        if (!built)
            break;
        if (m_images[frame])
            DeleteObject(m_images[frame]);
        m_images[frame] = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ oldTarget = SelectObject(target, m_images[frame]);
        // What no piece covers lets the face through.
        HBRUSH key = CreateSolidBrush(m_transparent);
        FillRect(target, &client, key);
        DeleteObject(key);
        SetStretchBltMode(target, COLORONCOLOR);
        for (const presenters::SkinPiece& piece : pieces) {
            const presenters::PixelRect& t = piece.target;
            const presenters::PixelRect& s = piece.source;
            if (t.width <= 0 || t.height <= 0 || s.width <= 0 || s.height <= 0)
                continue;
            if (t.width == s.width && t.height == s.height)
                built = BitBlt(target, t.x, t.y, t.width, t.height, source, s.x, s.y, SRCCOPY) && built;
            else
                StretchBlt(target, t.x, t.y, t.width, t.height, source, s.x, s.y, s.width, s.height, SRCCOPY);
        }
        SelectObject(target, oldTarget);
        m_skinReady = true;
    }
    SelectObject(source, oldSource);
    DeleteDC(target);
    DeleteDC(source);
    ReleaseDC(nullptr, screen);
    DeleteObject(strip);
    InvalidateRect(Handle(), nullptr, FALSE);
    return built;
}

bool CSkinnedButton::LoadFace(const dialoglayout::SkinFace& face)
{
    return LoadSkin(face.skin, face.frames, face.top, face.bottom, face.left, face.right);
}

void CSkinnedButton::SetCaptionColor(COLORREF color)
{
    m_captionFont.SetColor(color);
    if (Handle())
        UpdateWindow(Handle());
}

void CSkinnedButton::Draw(HDC target, presenters::SkinState state, int width, int height)
{
    if (!m_skinReady)
        return;
    // A state whose image could not be built is drawn with the normal one.
    HBITMAP image = m_images[int(state)] ? m_images[int(state)] : m_images[0];
    if (image)
        drawTransparent(target, image, width, height, m_transparent);
}

bool CSkinnedButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    HDC memory = CreateCompatibleDC(item.hDC);
    HBITMAP canvas = CreateCompatibleBitmap(item.hDC, width, height);
    HGDIOBJ oldCanvas = SelectObject(memory, canvas);
    RECT area { 0, 0, width, height };
    FillRect(memory, &area, GetSysColorBrush(COLOR_BTNFACE));

    const presenters::SkinDrawing drawing = presenters::skinDrawing((item.itemState & ODS_FOCUS) != 0,
        (item.itemState & ODS_SELECTED) != 0, (item.itemState & ODS_DISABLED) != 0);
    Draw(memory, drawing.first, width, height);
    if (drawing.pressedOver)
        Draw(memory, presenters::SkinState::Pressed, width, height);

    char caption[256] = {};
    GetWindowTextA(item.hwndItem, caption, int(sizeof caption));
    RECT captionArea = area;
    captionArea.left += drawing.captionShift;
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, drawing.greyCaption ? GetSysColor(COLOR_GRAYTEXT) : m_captionFont.GetColor());
    HGDIOBJ oldFont = SelectObject(memory, m_captionFont.Handle());
    DrawTextA(memory, caption, -1, &captionArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(memory, oldFont);

    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(memory);
    return true;
}

LRESULT CSkinnedButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE; // the owner draw paints every pixel
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button reports a quick second click as a double
        // click; here it is a click like the first.
        return DefaultProc(WM_LBUTTONDOWN, wParam, lParam);
    case WM_KILLFOCUS:
        if (presenters::recordsLastFocus(ControlId(), wParam != 0))
            g_lastFocusedKey = ControlId();
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace win32
