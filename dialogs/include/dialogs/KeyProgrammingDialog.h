// CKeyProgrammingDialog: the modal dialog "Programing key" in which the user
// composes what one key sends, layer by layer, in String Mode, Function Mode
// or Layer Switch, with the on-screen PC keyboard or the physical keyboard
// while "Key Data" has the focus.
//
//   CKeyProgrammingDialog dialog(table, this);
//   dialog.SetTitle(QString::asprintf("Editing Key %d", id - 1000));
//   dialog.SetPosition(row, column);
//   if (widgets::RunModal(dialog) == QDialog::Accepted) ...   // the record was rewritten
//
// The record is read when the dialog is shown and written only when it
// closes with OK; Cancel leaves it as it was. A position outside the table
// opens an empty key and OK then writes nothing.
#pragma once

#include <keycomposition/CKeyComposer.h>
#include <keycomposition/VirtualKeys.h>

#include <widgets/ColorFont.h>
#include <widgets/GuiSeams.h>

#include <QDialog>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace widgets {
class CSkinnedButton;
class CStripButton;
} // namespace widgets
namespace dialogs {
class CSpinControl;
}

class CKeyProgrammingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CKeyProgrammingDialog(keydata::KeyTable& table, QWidget* parent = nullptr);
    ~CKeyProgrammingDialog() override;

    // The window title, shown from the next opening on.
    void SetTitle(const QString& title);
    // The slot (row 0..5, column 0..19) whose record is edited.
    void SetPosition(int row, int column);

    // The millisecond tick count of the double-press rule (by default a
    // monotonic clock); tests drive their own.
    using TickSource = std::function<std::uint32_t()>;
    void SetTickSource(TickSource ticks);

    // What is being composed, for the caller's and the tests' inspection.
    const keycomposition::CKeyComposer& Composer() const { return m_composer; }

    // OK: validates the fields, stores the key, closes. Nothing is stored
    // and the dialog stays open when a field is invalid.
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void OnInitDialog();

    // The dialog data exchange: reading validates Delay (0..256) and Layer
    // (0..14) and tells the user what is wrong; showing writes every field
    // from the composer and enables the controls of the pad state.
    bool ReadFields();
    void ShowFields();
    void ShowModifierStrips();
    void ApplyPadState();
    void Tell(const QString& text, widgets::MessageIcon icon = widgets::MessageIcon::Stop);
    void Report(int result);

    void OnKeyClicked(int id);
    void OnModeClicked(keycomposition::Mode mode);
    void OnSwitchLayerActivated(int index);
    void OnDelete();
    void OnUndo();
    void ShowSwitchLayer();
    void OnDelayStep(int delta);
    void OnLayerStep(int delta);
    bool OnDelayFocusOut();
    void OnLayerFocusOut();

    // Keyboard capture of "Key Data".
    bool OnKeyDataEvent(QEvent* event);
    bool OnKeyDataKeyDown(const keycomposition::PhysicalKey& key, bool shifted);
    bool OnKeyDataKeyUp(const keycomposition::PhysicalKey& key);
    void OnDoublePress(keycomposition::PressKey key, int buttonId, const std::function<void()>& action);

    keydata::KeyRecord* Record() const;

    keydata::KeyTable& m_table;
    int m_row = -1;
    int m_column = -1;
    QString m_title;
    keycomposition::CKeyComposer m_composer;
    TickSource m_ticks;

    QHash<int, QPushButton*> m_keys;
    std::array<widgets::CStripButton*, 6> m_modifierButtons {};
    std::array<int, 6> m_stripShown {}; // 0 unknown, 1 released, 2 pushed
    widgets::CStripButton* m_keypadEnter = nullptr;
    widgets::CStripButton* m_delete = nullptr;
    QPushButton* m_undo = nullptr;
    QLabel* m_contentUse = nullptr;
    QPlainTextEdit* m_keyData = nullptr;
    QLineEdit* m_delayEdit = nullptr;
    QLineEdit* m_layerEdit = nullptr;
    dialogs::CSpinControl* m_delaySpin = nullptr;
    dialogs::CSpinControl* m_layerSpin = nullptr;
    QRadioButton* m_stringMode = nullptr;
    QRadioButton* m_functionMode = nullptr;
    QRadioButton* m_layerSwitch = nullptr;
    QComboBox* m_switchLayer = nullptr;
    widgets::CSkinnedButton* m_ok = nullptr;
    widgets::CSkinnedButton* m_cancel = nullptr;
    std::optional<widgets::CColorFont> m_keyDataFont;

    bool m_open = false; // between the opening and done()
    bool m_telling = false; // a message is up: focus changes are not edits
    bool m_leavingField = false; // a Delay or Layer field is being left
};
