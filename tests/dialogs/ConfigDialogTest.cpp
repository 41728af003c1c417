// The configuration dialog as the Qt front end builds it: boxes, look, buttons.
#include <dialogs/CConfigDialog.h>

#include <dialoglayout/ConfigDialogLayout.h>

#include <keydata/KeyTable.h>
#include <widgets/ControlId.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/DialogUnits.h>
#include <widgets/GuiSeams.h>

#include <QCheckBox>

#include <gtest/gtest.h>

namespace {

using namespace dialoglayout;

constexpr int FIRST_BOX = IDC_FIRST_SYSTEM_BOX;
constexpr int LAST_BOX = IDC_FIRST_MCR_BOX + 3;

QCheckBox* box(QDialog& dialog, int id)
{
    return qobject_cast<QCheckBox*>(widgets::findControl(&dialog, id));
}

// Runs the dialog through the modal seam: edit gets the shown dialog, then
// the button with id ends it.
int run(keydata::KeyTable& table, int buttonId, const std::function<void(QDialog&)>& edit = {})
{
    widgets::CSeamRecorder seams;
    seams.onModal = [&](QDialog& dialog) {
        dialog.show();
        if (edit)
            edit(dialog);
        qobject_cast<QAbstractButton*>(widgets::findControl(&dialog, buttonId))->click();
        return dialog.result();
    };
    CConfigDialog dialog(table);
    return widgets::RunModal(dialog);
}

} // namespace

TEST(ConfigDialog, ShowsTheBitsAndItsLook)
{
    keydata::KeyTable table;
    table.systemConfig = 0x05;
    table.mcrConfig = 0x0A;
    CConfigDialog dialog(table);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Config"));
    EXPECT_EQ(dialog.size(), widgets::dialogSize(224, 100));
    const char* captions[] = { "Beep enable", "Send break code", "Beep (nop key)", "Send format_code",
        "Send [Enter]", "Track2 enable", "Track3 enable" };
    const bool checked[] = { true, false, true, false, true, false, true };
    for (int id = FIRST_BOX; id <= LAST_BOX; ++id) {
        QCheckBox* check = box(dialog, id);
        ASSERT_NE(check, nullptr) << id;
        EXPECT_EQ(check->text(), QString::fromLatin1(captions[id - FIRST_BOX]));
        EXPECT_EQ(check->isChecked(), checked[id - FIRST_BOX]) << id;
        EXPECT_TRUE(dialog.rect().contains(check->geometry())) << id;
    }
    for (const int id : { IDC_CONFIG_OK, IDC_CONFIG_CANCEL }) {
        auto* button = qobject_cast<widgets::CSkinnedButton*>(widgets::findControl(&dialog, id));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->IsSkinReady());
        EXPECT_EQ(button->CaptionColor(), 0x500000u);
    }
}

// The bytes' rules are the presenter's (tests/presenters): here the buttons
// reach it.
TEST(ConfigDialog, OkAndCancelReachThePresenter)
{
    keydata::KeyTable table;
    const auto clearAll = [](QDialog& dialog) {
        for (int id = FIRST_BOX; id <= LAST_BOX; ++id)
            box(dialog, id)->setChecked(false);
    };
    EXPECT_EQ(run(table, IDC_CONFIG_CANCEL, clearAll), QDialog::Rejected);
    EXPECT_EQ(table.systemConfig, 0x03);
    EXPECT_EQ(table.mcrConfig, 0x0F);
    EXPECT_EQ(run(table, IDC_CONFIG_OK, clearAll), QDialog::Accepted);
    EXPECT_EQ(table.systemConfig, 0x00);
    EXPECT_EQ(table.mcrConfig, 0x00);
}
