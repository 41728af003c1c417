// The presenters over views that remember what they were told, services
// answered from a script, and the scripted system under the driver channel,
// which reports each device request as it arrives. No toolkit.
#pragma once

#include "CFakeWin32System.h"

#include <presenters/CKeyProgrammingPresenter.h>
#include <presenters/CMainDialogPresenter.h>

#include <keydata/KeyTable.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace presenters::test {

using namespace dialoglayout;

inline constexpr char LOCAL_DRIVER[] = "C:\\work\\Tavrin.sys";

class CRecordingMainView : public CMainView {
public:
    std::string title;
    std::map<int, std::string> texts;
    std::map<int, std::string> tips;
    std::string content;
    EditActions editActions;
    int focused = 0;
    int lastFocusedKey = 0;
    int mouseReleases = 0;
    int minimized = 0;
    bool closed = false;

    void SetTitle(const std::string& text) override { title = text; }
    void SetControlText(int id, const std::string& text) override { texts[id] = text; }
    void SetControlTip(int id, const std::string& tip) override { tips[id] = tip; }
    void ShowKeyCap(int, const KeyCapLook&) override { }
    void ShowKeyContent(const std::string& latin1Text) override { content = latin1Text; }
    void ShowDataArea(const DataAreaLook&) override { }
    void ShowEditActions(const EditActions& actions) override { editActions = actions; }
    // The window has a control for every key cap, and none above.
    bool FocusControl(int id) override
    {
        if (!isKeyCapId(id))
            return false;
        focused = id;
        return true;
    }
    int LastFocusedKey() const override { return lastFocusedKey; }
    void ReleaseMouseCapture() override { ++mouseReleases; }
    void Minimize() override { ++minimized; }
    void Restore() override { }
    void Close() override { closed = true; }
};

struct Message {
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
};

class CScriptedServices : public CFrontEndServices {
public:
    std::vector<Message> messages;
    std::deque<MessageAnswer> answers; // for the questions, then Yes, Discard
    std::function<void()> onMessage; // while the box would be up

    std::string fileAnswer; // the chooser's; empty: cancelled
    std::vector<std::vector<FileFilter>> fileRequests;

    struct KeyDialogRun {
        std::string title;
        int row;
        int column;
    };
    std::vector<KeyDialogRun> keyDialogs;
    // What the key dialog does to its record, and whether it ends with OK.
    std::function<void(keydata::KeyRecord&)> keyDialogAction;
    bool keyDialogOk = true;
    std::function<bool(keydata::KeyTable&)> configDialog;
    int aboutRuns = 0;

    struct ProgressStep {
        std::string status;
        int step;
    };
    std::string progressTitle;
    int progressSteps = 0;
    bool progressOpen = false;
    std::vector<ProgressStep> progress;
    std::map<std::string, std::string> profile; // "section/key" -> value

    const std::string& LastText() const
    {
        static const std::string none;
        return messages.empty() ? none : messages.back().text;
    }

    MessageAnswer ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons) override
    {
        messages.push_back({ text, icon, buttons });
        if (onMessage)
            onMessage();
        if (buttons != MessageButtons::Ok && !answers.empty()) {
            const MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes
            : buttons == MessageButtons::Ok     ? MessageAnswer::Ok
                                                : MessageAnswer::Discard;
    }
    std::string ChooseSaveFile(const FileFilter& filter) override
    {
        fileRequests.push_back({ filter });
        return fileAnswer;
    }
    std::string ChooseOpenFile(const std::vector<FileFilter>& filters) override
    {
        fileRequests.push_back(filters);
        return fileAnswer;
    }
    bool RunKeyDialog(keydata::KeyTable& table, int row, int column, const std::string& title) override
    {
        keyDialogs.push_back({ title, row, column });
        if (!keyDialogAction)
            return false;
        keyDialogAction(table.Record(row, column));
        return keyDialogOk;
    }
    bool RunConfigDialog(keydata::KeyTable& table) override { return configDialog && configDialog(table); }
    void RunAboutDialog() override { ++aboutRuns; }
    void OpenProgress(const std::string& title, int steps) override
    {
        progressTitle = title;
        progressSteps = steps;
        progressOpen = true;
    }
    void StepProgress(const std::string& status) override
    {
        progress.push_back({ status, static_cast<int>(progress.size()) + 1 });
    }
    void CloseProgress() override { progressOpen = false; }
    std::string ReadProfileString(const std::string& section, const std::string& key) override
    {
        const auto found = profile.find(section + "/" + key);
        return found == profile.end() ? std::string() : found->second;
    }
    bool WriteProfileString(
        const std::string& section, const std::string& key, const std::string& value) override
    {
        profile[section + "/" + key] = value;
        return true;
    }
    ModifierKeys modifiersDown;
    std::uint32_t ticks = 100000;
    ModifierKeys ModifierKeysDown() override { return modifiersDown; }
    std::uint32_t TickCount() override { return ticks; }
};

class CRecordingKeyView : public CKeyProgrammingView {
public:
    std::string title;
    std::string keyData;
    std::map<int, std::string> fields;
    int checked = 0;
    int switchLayer = -1;
    std::map<int, bool> enabled;
    struct Strip {
        int bitmap = 0;
        std::string tip;
    };
    std::map<int, Strip> strips;
    int focused = 0;
    bool selected = false;
    int focusMoves = 0; // +1 forward, -1 back
    std::optional<bool> closed; // with OK

    void SetTitle(const std::string& text) override { title = text; }
    void ShowKeyData(const std::string& latin1Text) override { keyData = latin1Text; }
    void SetFieldText(int id, const std::string& text) override { fields[id] = text; }
    std::string FieldText(int id) const override { return fields.count(id) ? fields.at(id) : std::string(); }
    void CheckRadio(int id) override { checked = id; }
    void SelectSwitchLayer(int index) override { switchLayer = index; }
    void EnableControl(int id, bool on) override { enabled[id] = on; }
    void ShowStrip(int id, int bitmap, const std::string& tip) override { strips[id] = { bitmap, tip }; }
    void FocusControl(int id, bool selectAll) override
    {
        focused = id;
        selected = selectAll;
    }
    void MoveFocus(bool forward) override { focusMoves += forward ? 1 : -1; }
    void Close(bool accepted) override { closed = accepted; }
};

inline void storeBytes(keydata::KeyRecord& record, std::uint8_t kind, std::string_view bytes)
{
    ASSERT_EQ(keydata::storeKey(
                  record, kind, { reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() }),
        keydata::KEYTABLE_OK);
}

// A private folder, removed with everything in it.
class CTemporaryFolder {
public:
    CTemporaryFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lodemar-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~CTemporaryFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Folder() const { return m_path; }

private:
    std::string m_path;
};

class MainPresenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform.files.insert(LOCAL_DRIVER);
        presenter = MakePresenter();
    }

    // A presenter over the fake system, initialised and shown.
    std::unique_ptr<CMainDialogPresenter> MakePresenter(bool emulated = false)
    {
        view = CRecordingMainView {};
        auto made = std::make_unique<CMainDialogPresenter>(view, services,
            std::make_unique<driverchannel::CDriverChannel>(
                driverchannel::testing::fakeWindowsBackend(platform)),
            emulated);
        made->Initialize();
        made->OnShown();
        return made;
    }

    keydata::KeyRecord& RecordOf(int controlId)
    {
        const keydata::GridSlot slot = keydata::slotOfGridIndex(controlId - IDC_KEY_FIRST);
        return presenter->Table().Record(slot.row, slot.column);
    }
    // The key dialog stores text into the key of this key cap, as OK would.
    void Edit(int controlId, std::string_view text, std::uint8_t kind = keydata::KIND_STRING)
    {
        services.keyDialogAction = [&](keydata::KeyRecord& record) { storeBytes(record, kind, text); };
        presenter->OnCommand(controlId);
        services.keyDialogAction = nullptr;
    }
    std::string Caption(int id) const { return presenter->KeyCap(id).caption; }
    ColorRef Color(int id) const { return presenter->KeyCap(id).color; }

    driverchannel::testing::CFakeWin32System platform;
    CRecordingMainView view;
    CScriptedServices services;
    std::unique_ptr<CMainDialogPresenter> presenter;
};

} // namespace presenters::test
