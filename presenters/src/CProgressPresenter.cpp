#include <presenters/CProgressPresenter.h>

#include <presenters/PresenterTexts.h>

#include <lodemar/Format.h>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace presenters {
namespace {

// Layout, in pixels.
inline constexpr int TEXT_LEFT = 10;
inline constexpr int TEXT_TOP = 10;
inline constexpr int BAR_GAP = 10; // between text and bar, below the edge
inline constexpr int BAR_BOTTOM = 30; // bar bottom, below the text bottom
inline constexpr int BAR_RIGHT_INSET = 10;
inline constexpr int CLIENT_EXTRA_WIDTH = 10;
inline constexpr int CLIENT_EXTRA_HEIGHT = 45;

inline constexpr int NO_SAVED_POSITION = -1;

// The number of bytes of text (length bytes, UTF-8) that can be kept
// without ending inside a character.
std::size_t utf8CutLength(const char* text, std::size_t length)
{
    std::size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return length;
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    std::size_t size = 1;
    if ((lead & 0xE0) == 0xC0)
        size = 2;
    else if ((lead & 0xF0) == 0xE0)
        size = 3;
    else if ((lead & 0xF8) == 0xF0)
        size = 4;
    return (start - 1) + size <= length ? length : start - 1;
}

} // namespace

int progressPercentage(int position, int lower, int upper)
{
    if (upper <= lower)
        return 0;
    const double percentage = (double(position) - lower) * 100.0 / (double(upper) - lower) + 0.5;
    // Truncation toward zero, kept within int for positions far off the range.
    return int(std::clamp(percentage, double(INT_MIN), double(INT_MAX)));
}

ProgressLayout progressLayout(int textHeight, int edgeHeight)
{
    ProgressLayout layout;
    layout.text = { TEXT_LEFT, TEXT_TOP, TEXT_LEFT + PROGRESS_TEXT_WIDTH, TEXT_TOP + textHeight };
    layout.bar = { layout.text.left, layout.text.bottom + edgeHeight + BAR_GAP,
        layout.text.right - BAR_RIGHT_INSET, layout.text.bottom + BAR_BOTTOM };
    layout.clientWidth = layout.text.Width() + CLIENT_EXTRA_WIDTH;
    layout.clientHeight = layout.text.Height() + layout.bar.Height() + CLIENT_EXTRA_HEIGHT;
    return layout;
}

CProgressPresenter::CProgressPresenter(CProgressView& view, CProfile& profile)
    : m_view(view)
    , m_profile(profile)
    , m_title(PROGRESS_DEFAULT_TITLE)
{
}

void CProgressPresenter::SetTitle(const char* title)
{
    if (title)
        m_title = title;
}

bool CProgressPresenter::Create(const char* title, bool smooth)
{
    if (m_view.WindowExists())
        return true;
    SetTitle(title);
    if (!m_view.CreateProgressWindow(m_title, smooth))
        return false;
    Layout();
    if (m_keepPosition)
        RestorePosition();
    else
        m_view.CentreWindow();
    Show();
    return true;
}

void CProgressPresenter::Layout()
{
    m_view.ApplyLayout(progressLayout(m_view.MeasureTextHeight(m_textLines), m_view.EdgeHeight()));
}

void CProgressPresenter::RestorePosition()
{
    const int x = m_profile.ReadInt(PROFILE_SETTINGS_SECTION, PROFILE_KEY_X, NO_SAVED_POSITION);
    const int y = m_profile.ReadInt(PROFILE_SETTINGS_SECTION, PROFILE_KEY_Y, NO_SAVED_POSITION);
    const ScreenPoint screen = m_view.ScreenSize();
    if (x >= 0 && x < screen.x && y >= 0 && y < screen.y)
        m_view.MoveWindow({ x, y });
    else
        m_view.CentreWindow();
}

void CProgressPresenter::SavePosition()
{
    if (!m_view.WindowExists())
        return;
    const ScreenPoint position = m_view.WindowPosition();
    // A key that holds the value already is left alone: a write of the
    // profile syncs a file, which would cost every keyboard write its time.
    const auto keep = [this](const char* key, int value) {
        if (m_profile.ReadInt(PROFILE_SETTINGS_SECTION, key, value == INT_MIN ? INT_MAX : INT_MIN) != value)
            m_profile.WriteInt(PROFILE_SETTINGS_SECTION, key, value);
    };
    keep(PROFILE_KEY_X, position.x);
    keep(PROFILE_KEY_Y, position.y);
}

bool CProgressPresenter::BeginModal(const char* title, bool smooth)
{
    if (!m_view.WindowExists() && !Create(title, smooth))
        return false;
    // Already modal: the owner chain is disabled and remembered; walking it
    // again would stop at the pop-up and forget the owner.
    if (m_modal)
        return true;
    m_view.DisableOwnerChain();
    m_modal = true;
    return true;
}

void CProgressPresenter::SetBounds(int lower, int upper, int step)
{
    if (!m_view.WindowExists())
        return;
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    m_view.SetBarRange(lower, upper);
}

int CProgressPresenter::SetPosition(int position)
{
    if (!m_view.WindowExists())
        return m_position;
    Show();
    m_position = position;
    const int percentage = progressPercentage(position, m_lower, m_upper);
    if (percentage != m_shownPercentage) {
        m_shownPercentage = percentage;
        m_view.SetCaption(lodemar::format(PROGRESS_CAPTION_FORMAT, m_title.c_str(), percentage));
    }
    return m_view.SetBarPosition(position);
}

int CProgressPresenter::Advance()
{
    if (!m_view.WindowExists())
        return m_position;
    Show();
    const long long next = (long long)m_position + m_step;
    return SetPosition(int(std::clamp<long long>(next, INT_MIN, INT_MAX)));
}

void CProgressPresenter::SetStatus(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    SetStatusV(format, arguments);
    va_end(arguments);
}

void CProgressPresenter::SetStatusV(const char* format, va_list arguments)
{
    if (!m_view.WindowExists() || !format)
        return;
    std::string text = lodemar::vformat(format, arguments);
    // The status line's own limit, said in the header; never mid-character.
    constexpr std::size_t limit = PROGRESS_STATUS_BYTES - 1;
    if (text.size() > limit)
        text.resize(utf8CutLength(text.data(), limit));
    m_view.SetStatusText(text);
}

void CProgressPresenter::PumpMessages(bool cancelOnEscape)
{
    if (m_modal && m_view.WindowExists() && !m_view.HasFocus())
        m_view.TakeFocus();
    if (m_cancelled)
        return;
    m_view.DispatchPendingMessages(cancelOnEscape);
}

void CProgressPresenter::Cancel()
{
    if (m_keepPosition)
        SavePosition();
    m_cancelled = true;
    Hide();
    if (m_modal && m_view.WindowExists())
        m_view.PostCloseRequest();
    m_view.BringMainWindowForward();
}

void CProgressPresenter::Show()
{
    if (m_view.WindowExists() && !m_view.IsWindowVisible())
        m_view.ShowWindow();
}

void CProgressPresenter::Hide()
{
    if (m_view.WindowExists() && m_view.IsWindowVisible())
        m_view.HideWindow();
}

void CProgressPresenter::Close()
{
    if (m_keepPosition)
        SavePosition();
    if (m_modal) {
        m_modal = false;
        m_view.EnableDisabledOwner();
    }
    if (m_view.WindowExists())
        m_view.DestroyProgressWindow();
}

} // namespace presenters
