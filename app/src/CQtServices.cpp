#include <app/CQtServices.h>

#include <app/CAboutDialog.h>
#include <app/FileDialogs.h>

#include <dialogs/CConfigDialog.h>
#include <dialogs/CKeyProgrammingDialog.h>
#include <widgets/CProgramProfile.h>
#include <widgets/CProgressPopup.h>
#include <widgets/GuiSeams.h>
#include <widgets/WidgetTexts.h>

#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <chrono>
#include <utility>

namespace app {
namespace {

using presenters::MessageAnswer;
using presenters::MessageButtons;
using presenters::MessageIcon;

std::uint32_t monotonicTicks()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

widgets::MessageIcon iconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Stop:
        return widgets::MessageIcon::Stop;
    case MessageIcon::Question:
        return widgets::MessageIcon::Question;
    case MessageIcon::Information:
        return widgets::MessageIcon::Information;
    case MessageIcon::Warning:
        return widgets::MessageIcon::Warning;
    case MessageIcon::None:
        break;
    }
    return widgets::MessageIcon::None;
}

widgets::MessageButtons buttonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::YesNo:
        return widgets::MessageButtons::YesNo;
    case MessageButtons::SaveDiscardCancel:
        return widgets::MessageButtons::SaveDiscardCancel;
    case MessageButtons::Ok:
        break;
    }
    return widgets::MessageButtons::Ok;
}

MessageAnswer answerOf(widgets::MessageAnswer answer)
{
    switch (answer) {
    case widgets::MessageAnswer::Yes:
        return MessageAnswer::Yes;
    case widgets::MessageAnswer::No:
        return MessageAnswer::No;
    case widgets::MessageAnswer::Save:
        return MessageAnswer::Save;
    case widgets::MessageAnswer::Discard:
        return MessageAnswer::Discard;
    case widgets::MessageAnswer::Cancel:
        return MessageAnswer::Cancel;
    case widgets::MessageAnswer::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

QString qtText(const std::string& text)
{
    return QString::fromStdString(text);
}

// Paths are UTF-8 in the presenters and the file system's own encoding here.
std::string pathOf(const QString& path)
{
    return path.toStdString();
}

} // namespace

CQtServices::CQtServices(QWidget* owner)
    : m_owner(owner)
    , m_ticks(monotonicTicks)
{
}

CQtServices::~CQtServices() = default;

void CQtServices::SetTickSource(TickSource ticks)
{
    m_ticks = ticks ? std::move(ticks) : monotonicTicks;
}

MessageAnswer CQtServices::ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons)
{
    return answerOf(widgets::ShowMessage(m_owner, qtText(text), iconOf(icon), buttonsOf(buttons)));
}

std::string CQtServices::ChooseSaveFile(const presenters::FileFilter& filter)
{
    return pathOf(app::ChooseSaveFile(m_owner, qtText(filter.label)));
}

std::string CQtServices::ChooseOpenFile(const std::vector<presenters::FileFilter>& filters)
{
    QStringList labels;
    for (const presenters::FileFilter& filter : filters)
        labels << qtText(filter.label);
    return pathOf(app::ChooseOpenFile(m_owner, labels));
}

bool CQtServices::RunKeyDialog(keydata::KeyTable& table, int row, int column, const std::string& title)
{
    CKeyProgrammingDialog dialog(table, *this, m_owner);
    dialog.SetTitle(qtText(title));
    dialog.SetPosition(row, column);
    // Its messages stand over it while it runs.
    const QPointer<QWidget> owner = std::exchange(m_owner, &dialog);
    const bool accepted = widgets::RunModal(dialog) == QDialog::Accepted;
    m_owner = owner;
    return accepted;
}

bool CQtServices::RunConfigDialog(keydata::KeyTable& table)
{
    CConfigDialog dialog(table, m_owner);
    return widgets::RunModal(dialog) == QDialog::Accepted;
}

void CQtServices::RunAboutDialog()
{
    CAboutDialog about(m_owner);
    widgets::RunModal(about);
}

void CQtServices::OpenProgress(const std::string& title, int steps)
{
    m_progress = std::make_unique<widgets::CProgressPopup>(m_owner, qtText(title), false);
    // The window exists, so its title stays the one it was made with.
    m_progress->BeginModal(QString::fromLatin1(widgets::PROGRESS_DEFAULT_TITLE));
    m_progress->SetBounds(0, steps, 1);
}

void CQtServices::StepProgress(const std::string& status)
{
    if (!m_progress)
        return;
    m_progress->SetStatus("%s", status.c_str());
    m_progress->Advance();
    m_progress->PumpMessages(true);
}

void CQtServices::CloseProgress()
{
    if (m_progress)
        m_progress->Close();
    m_progress.reset();
}

std::string CQtServices::ReadProfileString(const std::string& section, const std::string& key)
{
    return widgets::ReadProfileString(qtText(section), qtText(key)).toStdString();
}

bool CQtServices::WriteProfileString(
    const std::string& section, const std::string& key, const std::string& value)
{
    return widgets::WriteProfileString(qtText(section), qtText(key), qtText(value));
}

presenters::ModifierKeys CQtServices::ModifierKeysDown()
{
    const Qt::KeyboardModifiers down = QGuiApplication::queryKeyboardModifiers();
    return { down.testFlag(Qt::ShiftModifier), down.testFlag(Qt::ControlModifier),
        down.testFlag(Qt::AltModifier) };
}

std::uint32_t CQtServices::TickCount()
{
    return m_ticks();
}

} // namespace app
