#include <widgets/CTipButton.h>

#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>

namespace widgets {

CTipButton::CTipButton(QWidget* parent)
    : QPushButton(parent)
{
}

CTipButton::CTipButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent)
{
}

void CTipButton::SetTip(const QString& text, bool activate)
{
    if (text.isNull())
        return;
    m_hasTool = true;
    m_tipText = text;
    m_tipActive = activate;
    // A tip on show follows the change at once.
    if (QToolTip::isVisible() && underMouse()) {
        if (m_tipActive)
            QToolTip::showText(QCursor::pos(), m_tipText, this, rect());
        else
            QToolTip::hideText();
    }
}

bool CTipButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (m_hasTool && m_tipActive && !m_tipText.isEmpty()) {
            QToolTip::showText(help->globalPos(), m_tipText, this, rect());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QPushButton::event(event);
}

} // namespace widgets
