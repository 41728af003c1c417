// CKeyProgrammingPresenter: the key programming dialog's behaviour, without
// a toolkit. It opens one record of the table into a CKeyComposer, applies
// every click, field change and captured key of "Key Data" to it (with the
// double-press rule and the modifier keys), shows the result through its
// CKeyProgrammingView, tells the user what is refused, and stores the key
// on OK.
//
//   CKeyProgrammingPresenter presenter(view, services, table);
//   presenter.SetTitle("Editing Key 5");
//   presenter.SetPosition(0, 4);
//   presenter.Open();          // when the dialog is shown
//   presenter.OnKeyClicked(1031);
//   presenter.OnOk();          // stores and closes, or says why not
//
// The record is read when the dialog opens and written only on OK; a
// position outside the table opens an empty key and OK then writes nothing.
#pragma once

#include <presenters/CFrontEndServices.h>
#include <presenters/CKeyProgrammingView.h>

#include <keycomposition/CKeyComposer.h>
#include <keycomposition/VirtualKeys.h>
#include <keydata/KeyTable.h>

#include <array>
#include <functional>
#include <string>

namespace presenters {

class CKeyProgrammingPresenter {
public:
    CKeyProgrammingPresenter(
        CKeyProgrammingView& view, CFrontEndServices& services, keydata::KeyTable& table);

    // The window title, shown from the next opening on.
    void SetTitle(std::string title) { m_title = std::move(title); }
    // The slot (row 0..5, column 0..19) whose record is edited.
    void SetPosition(int row, int column);

    // The dialog's initialisation: title, strips, the record opened, the
    // fields shown, the focus in "Key Data".
    void Open();
    bool IsOpen() const { return m_open; }
    // The dialog has ended, with OK or Cancel.
    void OnClosed() { m_open = false; }

    // The controls.
    void OnKeyClicked(int id);
    void OnModeClicked(keycomposition::Mode mode);
    void OnSwitchLayerChosen(int index);
    void OnDeleteClicked();
    void OnUndo();
    void OnDelayStep(int delta);
    void OnLayerStep(int delta);
    // The Delay (1131) or Layer (1132) field lost the focus.
    void OnFieldLeft(int id);
    // OK: validates the fields, stores the key, closes; nothing is stored
    // and the dialog stays open when a field is invalid.
    void OnOk();
    void OnCancel();

    // The keyboard in "Key Data"; each returns whether the key is consumed
    // (the others get the dialog's standard handling: mnemonics, focus).
    // A key the capture takes must not fire a shortcut first.
    bool TakesShortcut(bool systemKey) const;
    bool OnKeyDataKeyDown(const keycomposition::PhysicalKey& key, bool shifted);
    bool OnKeyDataKeyUp(const keycomposition::PhysicalKey& key);
    // A key the platform gives no virtual key for.
    bool OnKeyDataUnknownKey(bool systemKey);
    // A key-down on a mode button: Enter on String or Function Mode moves
    // the focus to "Key Data".
    bool OnModeButtonKey(int id, int virtualKey);

    const keycomposition::CKeyComposer& Composer() const { return m_composer; }

private:
    keydata::KeyRecord* Record() const;
    bool ReadFields();
    void ShowFields();
    void ShowModifierStrips();
    void ShowSwitchLayer();
    void Tell(const std::string& text, MessageIcon icon = MessageIcon::Stop);
    void Report(int result);
    void DeleteKeyData();
    bool InsertDelayFromField();
    void OnDoublePress(keycomposition::PressKey key, int buttonId, const std::function<void()>& action);

    CKeyProgrammingView& m_view;
    CFrontEndServices& m_services;
    keydata::KeyTable& m_table;
    int m_row = -1;
    int m_column = -1;
    std::string m_title;
    keycomposition::CKeyComposer m_composer;
    // What each of the six modifier strips shows: 0 not yet, 1 released, 2 pushed.
    std::array<int, 6> m_stripShown {};

    bool m_open = false; // between the opening and the end
    bool m_telling = false; // a message is up: focus changes are not edits
    bool m_leavingField = false; // a Delay or Layer field is being left
};

} // namespace presenters
