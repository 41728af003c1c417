// CQtServices: the presenters' services in the Qt program: message boxes
// and modal dialogs through the GUI seams (widgets/GuiSeams.h), the file
// choosers through FileDialogs.h, the progress window, the profile, the
// keyboard's modifiers and a monotonic tick count. Each window has its own,
// owning what it shows.
#pragma once

#include <presenters/CFrontEndServices.h>

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

namespace widgets {
class CProgressPopup;
}

namespace app {

class CQtServices : public presenters::CFrontEndServices {
public:
    explicit CQtServices(QWidget* owner);
    ~CQtServices() override;

    // The millisecond tick count (by default a monotonic clock); tests
    // drive their own.
    using TickSource = std::function<std::uint32_t()>;
    void SetTickSource(TickSource ticks);

    // The progress window while one is open.
    widgets::CProgressPopup* Progress() const { return m_progress.get(); }

    presenters::MessageAnswer ShowMessage(
        const std::string& text, presenters::MessageIcon icon, presenters::MessageButtons buttons) override;
    std::string ChooseSaveFile(const presenters::FileFilter& filter) override;
    std::string ChooseOpenFile(const std::vector<presenters::FileFilter>& filters) override;
    bool RunKeyDialog(keydata::KeyTable& table, int row, int column, const std::string& title) override;
    bool RunConfigDialog(keydata::KeyTable& table) override;
    void RunAboutDialog() override;
    void OpenProgress(const std::string& title, int steps) override;
    void StepProgress(const std::string& status) override;
    void CloseProgress() override;
    std::string ReadProfileString(const std::string& section, const std::string& key) override;
    bool WriteProfileString(
        const std::string& section, const std::string& key, const std::string& value) override;
    presenters::ModifierKeys ModifierKeysDown() override;
    std::uint32_t TickCount() override;

private:
    QPointer<QWidget> m_owner;
    std::unique_ptr<widgets::CProgressPopup> m_progress;
    TickSource m_ticks;
};

} // namespace app
