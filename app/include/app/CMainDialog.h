// CMainDialog: the program's main window, a modal dialog whose loop is the
// program's life, as a Qt view of CMainDialogPresenter. It builds the key
// caps, the content box, the data area gauge and the seven command buttons
// from the template's table, forwards clicks, keys, drops and its context
// menu to the presenter, and shows what the presenter tells it.
//
//   CMainDialog dialog(CreateProgramChannel(options), options.emulate);
//   dialog.exec();
#pragma once

#include <app/CQtServices.h>

#include <dialoglayout/MainDialogLayout.h>
#include <presenters/CMainDialogPresenter.h>
#include <presenters/CMainView.h>

#include <QDialog>
#include <QIcon>

#include <array>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;

namespace widgets {
class CSkinnedButton;
} // namespace widgets

namespace app {

class CDataAreaGauge;

class CMainDialog : public QDialog, private presenters::CMainView {
    Q_OBJECT
public:
    // Builds the window and initialises its presenter (faces, edit mode,
    // the driver Load, the grid map). A failed load is told once the window
    // is shown, over it.
    explicit CMainDialog(std::unique_ptr<driverchannel::CDriverChannel> channel,
        bool emulatedKeyboard = false, QWidget* parent = nullptr);
    ~CMainDialog() override;

    presenters::CMainDialogPresenter& Presenter() { return *m_presenter; }

    // The presenter's commands, as the program and its benchmarks use them.
    void OnWriteToKb() { m_presenter->OnWriteToKb(); }
    void OnReadKbData() { m_presenter->OnReadKbData(); }
    keydata::KeyTable& Table() { return m_presenter->Table(); }
    int LoadResult() const { return m_presenter->LoadResult(); }

    // The key cap of control id 1001..1100, or nullptr.
    widgets::CSkinnedButton* KeyCap(int controlId) const;
    // The command button of a control id, or nullptr.
    widgets::CSkinnedButton* CommandButton(int controlId) const;
    QPlainTextEdit* KeyContentBox() const { return m_keyContent; }
    CDataAreaGauge* DataAreaGauge() const { return m_dataArea; }
    // The progress window while a write runs.
    widgets::CProgressPopup* Progress() const { return m_services.Progress(); }

    // The window's context menu: the system-menu entries the window offers,
    // a separator, undo, redo and the recent files, a separator and
    // "&About Me...". The caller owns it.
    QMenu* CreateContextMenu();

    // Escape and the close button go to the presenter.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // The one place where Qt key events of the grid are looked at.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();

    // CMainView
    void SetTitle(const std::string& title) override;
    void SetControlText(int id, const std::string& text) override;
    void SetControlTip(int id, const std::string& tip) override;
    void ShowKeyCap(int id, const presenters::KeyCapLook& look) override;
    void ShowKeyContent(const std::string& latin1Text) override;
    void ShowDataArea(const presenters::DataAreaLook& look) override;
    void ShowEditActions(const presenters::EditActions& actions) override;
    bool FocusControl(int id) override;
    int LastFocusedKey() const override;
    void ReleaseMouseCapture() override;
    void Minimize() override;
    void Restore() override;
    void Close() override;

    // Element k is control 1000 + k for k = 1..100; the others stay null.
    std::array<widgets::CSkinnedButton*, dialoglayout::KEY_CAP_SLOTS> m_keyCaps {};
    std::array<widgets::CSkinnedButton*, std::size(dialoglayout::COMMAND_BUTTONS)> m_commands {};
    QPlainTextEdit* m_keyContent = nullptr;
    CDataAreaGauge* m_dataArea = nullptr;
    QLabel* m_decoration = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QIcon m_icon;
    bool m_shown = false;

    CQtServices m_services;
    std::unique_ptr<presenters::CMainDialogPresenter> m_presenter;
};

} // namespace app
