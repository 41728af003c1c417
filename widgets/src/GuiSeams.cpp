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
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return answer == MessageAnswer::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    case MessageButtons::SaveDiscardCancel:
        break;
    }
    return answer == MessageAnswer::Save || answer == MessageAnswer::Discard ? answer : MessageAnswer::Cancel;
}

struct BoxButtons {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::StandardButton escapeButton;
};

BoxButtons boxButtonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::YesNo:
        return { QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No };
    case MessageButtons::SaveDiscardCancel:
        return { QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save,
            QMessageBox::Cancel };
    case MessageButtons::Ok:
        break;
    }
    return { QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok };
}

MessageAnswer answerOf(QMessageBox::StandardButton clicked)
{
    switch (clicked) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Save:
        return MessageAnswer::Save;
    case QMessageBox::Discard:
        return MessageAnswer::Discard;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        return MessageAnswer::Ok;
    }
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

    const BoxButtons shape = boxButtonsOf(buttons);
    QMessageBox box(qtIconOf(icon), request.caption, text, shape.buttons, owner);
    box.setDefaultButton(shape.defaultButton);
    box.setEscapeButton(shape.escapeButton);
    // Texts carry file names and key text: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return validAnswer(buttons, answerOf(box.standardButton(box.clickedButton())));
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
        switch (request.buttons) {
        case MessageButtons::YesNo:
            return defaultYesNoAnswer;
        case MessageButtons::SaveDiscardCancel:
            return MessageAnswer::Save;
        case MessageButtons::Ok:
            break;
        }
        return MessageAnswer::Ok;
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
