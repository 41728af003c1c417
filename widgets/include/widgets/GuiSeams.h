// The one place where the program shows message boxes and runs modal
// dialogs, and where it names its main window. Each seam has a test hook:
// while a hook is installed nothing is shown, the hook answers instead.
//
//   if (ShowMessage(this, "Are you sure quit this program?", MessageIcon::Question,
//                   MessageButtons::YesNo) == MessageAnswer::Yes) ...
//   CConfigDialog dialog(this);
//   if (RunModal(dialog) == QDialog::Accepted) ...
//
// Tests install a CSeamRecorder, which records every request and answers
// from queues.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <deque>
#include <functional>
#include <vector>

class QDialog;

namespace widgets {

enum class MessageIcon { None, Stop, Question, Information, Warning };
enum class MessageButtons { Ok, YesNo, SaveDiscardCancel };
// The platform's answer codes (Save and Discard are ours).
enum class MessageAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7, Save = 100, Discard = 101 };

struct MessageRequest {
    QPointer<QWidget> owner;
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// The caption of every message box: the application name, which the program
// sets to its file's name without extension.
QString ApplicationCaption();

// Shows text in a modal box over owner (may be nullptr) with the given icon
// and buttons and returns the answer: Ok for an OK box; Yes or No for a
// Yes/No box (Yes the default; closing it otherwise counts as No); Save,
// Discard or Cancel for a Save/Discard/Cancel box (Save the default;
// closing it counts as Cancel).
MessageAnswer ShowMessage(
    QWidget* owner, const QString& text, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok);

using MessageHook = std::function<MessageAnswer(const MessageRequest&)>;
// Installs the hook (an empty function removes it); returns the previous one.
MessageHook SetMessageHook(MessageHook hook);

// Runs the dialog modally and returns its result (QDialog::Accepted,
// QDialog::Rejected or the code given to done()).
int RunModal(QDialog& dialog);

// A modal hook gets the dialog (constructed, not shown) instead of the user;
// it may show it, work its controls, call accept() or done(), and returns
// the result RunModal returns.
using ModalHook = std::function<int(QDialog&)>;
ModalHook SetModalHook(ModalHook hook);

// The application's main window (the owner of pop-ups created without one,
// and the window raised after a cancel). nullptr until set; cleared when
// that window is destroyed.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();

// Installs both hooks for its lifetime and restores the previous ones after.
// Messages are answered from messageAnswers in order, then Ok / Yes / Save; modal
// dialogs by onModal, or else rejected.
class CSeamRecorder {
public:
    CSeamRecorder();
    ~CSeamRecorder();
    CSeamRecorder(const CSeamRecorder&) = delete;
    CSeamRecorder& operator=(const CSeamRecorder&) = delete;

    std::vector<MessageRequest> messages;
    std::deque<MessageAnswer> messageAnswers;
    MessageAnswer defaultYesNoAnswer = MessageAnswer::Yes;

    struct ModalRun {
        QString className;
        QString title;
    };
    std::vector<ModalRun> modalRuns;
    ModalHook onModal;

    // The text of the last message, or an empty string.
    QString LastText() const;

private:
    MessageHook m_previousMessageHook;
    ModalHook m_previousModalHook;
};

} // namespace widgets
