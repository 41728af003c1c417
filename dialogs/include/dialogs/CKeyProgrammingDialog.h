// CKeyProgrammingDialog: the modal dialog "Programing key" in which the user
// composes what one key sends, as a Qt view of CKeyProgrammingPresenter. It
// builds the controls of template 129 from its table, forwards clicks,
// field changes and the keys of "Key Data" to the presenter and shows what
// the presenter tells it.
//
//   CKeyProgrammingDialog dialog(table, services, this);
//   dialog.SetTitle(QString::asprintf("Editing Key %d", id - 1000));
//   dialog.SetPosition(row, column);
//   if (widgets::RunModal(dialog) == QDialog::Accepted) ...   // the record was rewritten
#pragma once

#include <presenters/CKeyProgrammingPresenter.h>
#include <presenters/CKeyProgrammingView.h>
#include <widgets/CColorFont.h>

#include <QDialog>
#include <QHash>
#include <QString>

#include <optional>

class QPlainTextEdit;
class QLineEdit;

class CKeyProgrammingDialog : public QDialog, private presenters::CKeyProgrammingView {
    Q_OBJECT
public:
    // Messages, the modifier keys down and the tick count come from
    // services, which shows its messages over this dialog while it runs.
    CKeyProgrammingDialog(
        keydata::KeyTable& table, presenters::CFrontEndServices& services, QWidget* parent = nullptr);
    ~CKeyProgrammingDialog() override;

    // The window title, shown from the next opening on.
    void SetTitle(const QString& title);
    // The slot (row 0..5, column 0..19) whose record is edited.
    void SetPosition(int row, int column);

    const keycomposition::CKeyComposer& Composer() const { return m_presenter.Composer(); }

    // OK and Cancel (and Enter, Escape) go to the presenter.
    void accept() override;
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    bool OnKeyDataEvent(QEvent* event);

    // CKeyProgrammingView
    void SetTitle(const std::string& title) override;
    void ShowKeyData(const std::string& latin1Text) override;
    void SetFieldText(int id, const std::string& text) override;
    std::string FieldText(int id) const override;
    void CheckRadio(int id) override;
    void SelectSwitchLayer(int index) override;
    void EnableControl(int id, bool enabled) override;
    void ShowStrip(int id, int bitmap, const std::string& tip) override;
    void FocusControl(int id, bool selectAll) override;
    void MoveFocus(bool forward) override;
    void Close(bool accepted) override;

    presenters::CKeyProgrammingPresenter m_presenter;
    QHash<int, QWidget*> m_controls;
    QPlainTextEdit* m_keyData = nullptr;
    QLineEdit* m_delayEdit = nullptr;
    QLineEdit* m_layerEdit = nullptr;
    std::optional<widgets::CColorFont> m_keyDataFont;
};
