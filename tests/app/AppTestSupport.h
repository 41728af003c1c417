// Helpers of the main window's tests: a window over a scripted fake system
// that reports each device request, the seams answered, and a key editor
// that records what it was asked.
#pragma once

#include "CFakeDriverPlatform.h"

#include <app/CMainDialog.h>

#include <keydata/KeyTable.h>
#include <widgets/GuiSeams.h>
#include <widgets/SkinnedButton.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace app::test {

using namespace dialoglayout;

inline constexpr char LOCAL_DRIVER[] = "C:\\work\\Tavrin.sys";

// The fake system, calling onDeviceControl as each device request arrives
// (before it is answered), so a test can look at the program meanwhile.
class CObservedPlatform : public driverchannel::testing::CFakeDriverPlatform {
public:
    std::function<void(std::uint32_t code)> onDeviceControl;

    bool DeviceControl(driverchannel::DeviceHandle device, std::uint32_t code, const void* input,
        std::uint32_t inputLength, void* output, std::uint32_t outputLength,
        std::uint32_t& bytesReturned) override
    {
        if (onDeviceControl)
            onDeviceControl(code);
        return CFakeDriverPlatform::DeviceControl(
            device, code, input, inputLength, output, outputLength, bytesReturned);
    }
};

inline void storeBytes(keydata::KeyRecord& record, std::uint8_t kind, std::string_view bytes)
{
    ASSERT_EQ(keydata::storeKey(
                  record, kind, { reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() }),
        keydata::KEYTABLE_OK);
}

// The record behind a key cap's control id.
inline keydata::KeyRecord& recordOf(CMainDialog& dialog, int controlId)
{
    const keydata::GridSlot slot = keydata::slotOfGridIndex(controlId - IDC_KEY_FIRST);
    return dialog.Table().record(slot.row, slot.column);
}

// The question asked before changes that nothing holds are discarded.
inline bool isDiscardQuestion(const widgets::MessageRequest& request)
{
    return request.text.startsWith(QStringLiteral("The key table has changes"))
        && request.buttons == widgets::MessageButtons::YesNo;
}

inline bool showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

struct EditorCall {
    QString title;
    int row;
    int column;
};

class MainDialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lodemar"));
        widgets::SetLastFocusedKey(0);
        platform.files.insert(LOCAL_DRIVER);
    }

    // The window over the fake system (the fixture keeps the system, so it
    // can be inspected after the window has gone).
    std::unique_ptr<CMainDialog> MakeDialog(bool emulated = false)
    {
        auto dialog = std::make_unique<CMainDialog>(
            std::make_unique<driverchannel::CDriverChannel>(platform), emulated);
        dialog->SetKeyEditor(
            [this](keydata::KeyTable& table, int row, int column, const QString& title, QWidget*) {
                editorCalls.push_back({ title, row, column });
                if (!editorAction)
                    return int(QDialog::Rejected);
                editorAction(table.record(row, column));
                return editorResult;
            });
        return dialog;
    }

    CObservedPlatform platform;
    widgets::CSeamRecorder seams;
    std::vector<EditorCall> editorCalls;
    // What the stand-in editor does to the record, and how it ends.
    std::function<void(keydata::KeyRecord&)> editorAction;
    int editorResult = QDialog::Accepted;
};

} // namespace app::test
