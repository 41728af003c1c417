// A key programming dialog opened offscreen on one slot of a table, with
// its message boxes answered by a recorder and its tick count in the test's
// hands.
#pragma once

#include <dialogs/CKeyProgrammingDialog.h>

#include <app/CQtServices.h>
#include <dialoglayout/KeyDialogLayout.h>

#include <keydata/KeyTable.h>
#include <widgets/ControlId.h>
#include <widgets/GuiSeams.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace dialogs::test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int ROW = 1;
inline constexpr int COLUMN = 7;

// XKB key codes and keysyms of the keys the tests press.
struct NativeKey {
    int qtKey;
    quint32 keyCode;
    quint32 keysym;
};
inline constexpr NativeKey LEFT_SHIFT { Qt::Key_Shift, 50, 0xFFE1 };
inline constexpr NativeKey RIGHT_SHIFT { Qt::Key_Shift, 62, 0xFFE2 };
inline constexpr NativeKey LEFT_CTRL { Qt::Key_Control, 37, 0xFFE3 };
inline constexpr NativeKey RIGHT_CTRL { Qt::Key_Control, 105, 0xFFE4 };
inline constexpr NativeKey LEFT_ALT { Qt::Key_Alt, 64, 0xFFE9 };
inline constexpr NativeKey RIGHT_ALT { Qt::Key_Alt, 108, 0xFFEA };
inline constexpr NativeKey KEY_A { Qt::Key_A, 38, 'a' };
inline constexpr NativeKey KEY_C { Qt::Key_C, 54, 'c' };
inline constexpr NativeKey BACKSPACE { Qt::Key_Backspace, 22, 0xFF08 };
inline constexpr NativeKey TAB { Qt::Key_Tab, 23, 0xFF09 };
inline constexpr NativeKey RETURN { Qt::Key_Return, 36, 0xFF0D };
inline constexpr NativeKey ESCAPE { Qt::Key_Escape, 9, 0xFF1B };

class DialogTest : public ::testing::Test {
protected:
    keydata::KeyTable table;
    widgets::CSeamRecorder seams;
    app::CQtServices services { nullptr };
    std::unique_ptr<CKeyProgrammingDialog> dialog;
    std::uint32_t now = 100000;

    // Opens the dialog on (ROW, COLUMN) holding kind and bytes.
    void Open(std::uint8_t kind = keydata::KIND_EMPTY, const Bytes& bytes = {})
    {
        ASSERT_EQ(keydata::storeKey(table.Record(ROW, COLUMN), kind, bytes), keydata::KEYTABLE_OK);
        services.SetTickSource([this] { return now; });
        dialog = std::make_unique<CKeyProgrammingDialog>(table, services);
        dialog->SetTitle(QStringLiteral("Editing Key 27"));
        dialog->SetPosition(ROW, COLUMN);
        dialog->show();
    }

    // Shown and active, so that focus changes reach the fields as for a user.
    bool ShowActive()
    {
        dialog->activateWindow();
        QApplication::setActiveWindow(dialog.get());
        return QTest::qWaitForWindowActive(dialog.get());
    }

    keydata::KeyRecord& Record() { return table.Record(ROW, COLUMN); }
    Bytes Stored() { return { Record().Bytes().begin(), Record().Bytes().end() }; }

    template <typename T = QWidget> T* Control(int id)
    {
        T* control = qobject_cast<T*>(widgets::findControl(dialog.get(), id));
        EXPECT_NE(control, nullptr) << "control " << id;
        return control;
    }

    void Click(int id)
    {
        if (QAbstractButton* button = Control<QAbstractButton>(id))
            button->click();
    }
    void Click(std::initializer_list<int> ids)
    {
        for (const int id : ids)
            Click(id);
    }

    QPlainTextEdit* KeyData() { return Control<QPlainTextEdit>(dialoglayout::ID_KEY_DATA); }
    QString KeyDataText() { return KeyData()->toPlainText(); }
    QLineEdit* DelayField() { return Control<QLineEdit>(dialoglayout::ID_DELAY); }
    QLineEdit* LayerField() { return Control<QLineEdit>(dialoglayout::ID_LAYER); }

    // OK, and whether the dialog closed with it.
    bool PressOk()
    {
        Click(dialoglayout::ID_OK);
        return dialog->isHidden() && dialog->result() == QDialog::Accepted;
    }

    // A key event as X11 delivers it, sent to "Key Data".
    bool Send(QEvent::Type type, const NativeKey& key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
        bool autoRepeat = false)
    {
        QKeyEvent event(type, key.qtKey, modifiers, key.keyCode, key.keysym, 0, QString(), autoRepeat);
        return QApplication::sendEvent(KeyData(), &event);
    }
    void Press(
        const NativeKey& key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false)
    {
        Send(QEvent::KeyPress, key, modifiers, autoRepeat);
    }
    void Release(const NativeKey& key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Send(QEvent::KeyRelease, key, modifiers);
    }
    void Tap(const NativeKey& key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Press(key, modifiers);
        Release(key, modifiers);
    }

    int MessageCount(const char* text) const
    {
        int count = 0;
        for (const widgets::MessageRequest& request : seams.messages)
            count += request.text == QString::fromLatin1(text);
        return count;
    }
};

} // namespace dialogs::test
