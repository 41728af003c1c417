#include <widgets/GuiSeams.h>

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>

#include <utility>

namespace widgets {
namespace {

MessageHook& messageHook()
{
    static MessageHook hook;
    return hook;
}

ModalHook& modalHook()
{
    static ModalHook hook;
    return hook;
}

QPointer<QWidget>& mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QMessageBox::Icon qtIconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Keeps an answer within the buttons the box had.
MessageAnswer validAnswer(MessageButtons buttons, MessageAnswer answer)
{
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return answer == MessageAnswer::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace

QString ApplicationCaption()
{
    return QCoreApplication::applicationName();
}

MessageAnswer ShowMessage(QWidget* owner, const QString& text, MessageIcon icon, MessageButtons buttons)
{
    MessageRequest request;
    request.owner = owner;
    request.caption = ApplicationCaption();
    request.text = text;
    request.icon = icon;
    request.buttons = buttons;
    if (MessageHook hook = messageHook())
        return validAnswer(buttons, hook(request));

    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(qtIconOf(icon), request.caption, text,
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    // Texts carry file names and key text: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    if (!yesNo)
        return MessageAnswer::Ok;
    return clicked == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

MessageHook SetMessageHook(MessageHook hook)
{
    return std::exchange(messageHook(), std::move(hook));
}

int RunModal(QDialog& dialog)
{
    if (ModalHook hook = modalHook())
        return hook(dialog);
    return dialog.exec();
}

ModalHook SetModalHook(ModalHook hook)
{
    return std::exchange(modalHook(), std::move(hook));
}

void SetMainWindow(QWidget* window)
{
    mainWindow() = window;
}

QWidget* MainWindow()
{
    return mainWindow().data();
}

CSeamRecorder::CSeamRecorder()
{
    m_previousMessageHook = SetMessageHook([this](const MessageRequest& request) {
        messages.push_back(request);
        if (!messageAnswers.empty()) {
            const MessageAnswer answer = messageAnswers.front();
            messageAnswers.pop_front();
            return answer;
        }
        return request.buttons == MessageButtons::YesNo ? defaultYesNoAnswer : MessageAnswer::Ok;
    });
    m_previousModalHook = SetModalHook([this](QDialog& dialog) {
        modalRuns.push_back({ QString::fromLatin1(dialog.metaObject()->className()), dialog.windowTitle() });
        if (onModal)
            return onModal(dialog);
        return int(QDialog::Rejected);
    });
}

CSeamRecorder::~CSeamRecorder()
{
    SetMessageHook(std::move(m_previousMessageHook));
    SetModalHook(std::move(m_previousModalHook));
}

QString CSeamRecorder::LastText() const
{
    return messages.empty() ? QString() : messages.back().text;
}

} // namespace widgets
