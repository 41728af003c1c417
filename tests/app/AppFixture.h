// Helpers of the main window's view tests: a window over a scripted fake
// system that reports each device request, with the seams answered.
#pragma once

#include "CFakeWin32System.h"

#include <app/CMainDialog.h>
#include <app/FileDialogs.h>

#include <keydata/KeyTable.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/GuiSeams.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string_view>

namespace app::test {

using namespace dialoglayout;
using presenters::COLOR_KEY_CHANGED;
using presenters::COLOR_KEY_STORED;
using presenters::COLOR_KEY_WRITTEN;

inline constexpr char LOCAL_DRIVER[] = "C:\\work\\Tavrin.sys";

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
    return dialog.Table().Record(slot.row, slot.column);
}

inline bool showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

class MainDialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationName(QStringLiteral("Lodemar"));
        widgets::SetLastFocusedKey(0);
        platform.files.insert(LOCAL_DRIVER);
        // No real file chooser may wait for a user: cancelled unless a test says otherwise.
        m_previousFileHook = SetFileDialogHook([](const FileDialogRequest&) { return QString(); });
    }
    void TearDown() override { SetFileDialogHook(std::move(m_previousFileHook)); }

    // The window over the fake system (the fixture keeps the system, so it
    // can be inspected after the window has gone).
    std::unique_ptr<CMainDialog> MakeDialog(bool emulated = false)
    {
        return std::make_unique<CMainDialog>(std::make_unique<driverchannel::CDriverChannel>(
                                                 driverchannel::testing::fakeWindowsBackend(platform)),
            emulated);
    }

    driverchannel::testing::CFakeWin32System platform;
    widgets::CSeamRecorder seams;

private:
    FileDialogHook m_previousFileHook;
};

} // namespace app::test
