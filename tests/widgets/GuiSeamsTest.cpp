#include <widgets/GuiSeams.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace widgets;

namespace {

class ApplicationName {
public:
    explicit ApplicationName(const QString& name)
        : m_saved(QCoreApplication::applicationName())
    {
        QCoreApplication::setApplicationName(name);
    }
    ~ApplicationName() { QCoreApplication::setApplicationName(m_saved); }

private:
    QString m_saved;
};

} // namespace

TEST(GuiSeams, MessagesGoThroughTheHookWithTheApplicationCaption)
{
    ApplicationName name(QStringLiteral("Lodemar"));
    QWidget owner;
    CSeamRecorder seams;
    seams.messageAnswers = { MessageAnswer::No };
    EXPECT_EQ(ShowMessage(&owner, QStringLiteral("Are you sure quit this program?"), MessageIcon::Question,
                  MessageButtons::YesNo),
        MessageAnswer::No);
    EXPECT_EQ(ShowMessage(nullptr, QStringLiteral("Can't not load kernel program!!!"), MessageIcon::Stop),
        MessageAnswer::Ok);
    // An answer the box cannot give is read as the box would: Yes/No boxes
    // know nothing but Yes and No, OK boxes nothing but OK.
    seams.messageAnswers = { MessageAnswer::Ok, MessageAnswer::Yes };
    EXPECT_EQ(ShowMessage(nullptr, QStringLiteral("q"), MessageIcon::Question, MessageButtons::YesNo),
        MessageAnswer::No);
    EXPECT_EQ(ShowMessage(nullptr, QStringLiteral("i"), MessageIcon::Information), MessageAnswer::Ok);

    ASSERT_EQ(seams.messages.size(), 4u);
    EXPECT_EQ(seams.messages[0].caption, QStringLiteral("Lodemar"));
    EXPECT_EQ(seams.messages[0].owner.data(), &owner);
    EXPECT_EQ(seams.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(seams.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(seams.messages[1].icon, MessageIcon::Stop);
    EXPECT_EQ(seams.LastText(), QStringLiteral("i"));
}

TEST(GuiSeams, RecorderRestoresThePreviousHooks)
{
    int outerCalls = 0;
    const MessageHook before = SetMessageHook([&](const MessageRequest&) {
        ++outerCalls;
        return MessageAnswer::Yes;
    });
    {
        CSeamRecorder inner;
        ShowMessage(nullptr, QStringLiteral("inner"), MessageIcon::None);
        EXPECT_EQ(inner.messages.size(), 1u);
    }
    EXPECT_EQ(ShowMessage(nullptr, QStringLiteral("outer"), MessageIcon::None, MessageButtons::YesNo),
        MessageAnswer::Yes);
    EXPECT_EQ(outerCalls, 1);
    SetMessageHook(before);
}

TEST(GuiSeams, RealMessageBoxShowsCaptionIconAndButtons)
{
    ApplicationName name(QStringLiteral("Lodemar"));
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hadYes = false, hadNo = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        hadYes = box->button(QMessageBox::Yes) != nullptr;
        hadNo = box->button(QMessageBox::No) != nullptr;
        box->button(QMessageBox::No)->click();
    });
    const MessageAnswer answer = ShowMessage(nullptr, QStringLiteral("Are you sure quit this program?"),
        MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(answer, MessageAnswer::No);
    EXPECT_EQ(title, QStringLiteral("Lodemar"));
    EXPECT_EQ(text, QStringLiteral("Are you sure quit this program?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(hadYes && hadNo);
}

// The question before changes are lost: Return saves, Escape cancels,
// Discard must be chosen.
TEST(GuiSeams, ASaveDiscardCancelBoxSavesOnReturnAndCancelsOnEscape)
{
    const struct {
        Qt::Key key;
        MessageAnswer answer;
    } presses[] = { { Qt::Key_Return, MessageAnswer::Save }, { Qt::Key_Escape, MessageAnswer::Cancel } };
    for (const auto& press : presses) {
        bool hadDiscard = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            hadDiscard = box->button(QMessageBox::Discard) != nullptr;
            QTest::keyClick(box, press.key);
        });
        EXPECT_EQ(ShowMessage(nullptr, QStringLiteral("Save them?"), MessageIcon::Question,
                      MessageButtons::SaveDiscardCancel),
            press.answer);
        EXPECT_TRUE(hadDiscard);
    }
}

// A file named a<i>b.dat must not turn into "ab.dat" in italics.
TEST(GuiSeams, RealMessageBoxShowsPlainText)
{
    const QString text = QStringLiteral("Open file /tmp/a<i>b.dat fail");
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            shown = label->text();
            format = label->textFormat();
        }
        box->button(QMessageBox::Ok)->click();
    });
    ShowMessage(nullptr, text, MessageIcon::None);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(format, Qt::PlainText);
}

TEST(GuiSeams, ModalDialogsRunThroughTheHookOrForReal)
{
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Editing Key 1"));
    {
        CSeamRecorder seams;
        EXPECT_EQ(RunModal(dialog), QDialog::Rejected);
        seams.onModal = [](QDialog& d) {
            d.accept();
            return d.result();
        };
        EXPECT_EQ(RunModal(dialog), QDialog::Accepted);
        ASSERT_EQ(seams.modalRuns.size(), 2u);
        EXPECT_EQ(seams.modalRuns[0].title, QStringLiteral("Editing Key 1"));
        EXPECT_EQ(seams.modalRuns[0].className, QStringLiteral("QDialog"));
    }
    QTimer::singleShot(0, [&] {
        if (QApplication::activeModalWidget() == &dialog)
            dialog.done(5);
    });
    EXPECT_EQ(RunModal(dialog), 5);
}

TEST(GuiSeams, MainWindowIsForgottenWhenDestroyed)
{
    {
        QWidget main;
        SetMainWindow(&main);
        EXPECT_EQ(MainWindow(), &main);
    }
    EXPECT_EQ(MainWindow(), nullptr);
}
