// The configuration dialog's seven boxes and the two settings bytes.
#include <presenters/CConfigPresenter.h>

#include <dialoglayout/ConfigDialogLayout.h>
#include <keydata/KeyTable.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>

using namespace presenters;
using namespace dialoglayout;

namespace {

class CFakeConfigDialog : public CConfigView {
public:
    void SetChecked(int boxId, bool checked) override { boxes[boxId] = checked; }
    bool IsChecked(int boxId) const override { return boxes.at(boxId); }
    void EndDialog(bool accepted) override { ended = accepted; }

    std::map<int, bool> boxes;
    std::optional<bool> ended;
};

struct ConfigCase {
    std::uint8_t systemBefore, mcrBefore;
    int clearBox; // 0: none, -1: all
    bool ok;
    std::uint8_t systemAfter, mcrAfter;
};

class ConfigPresenterTest : public ::testing::TestWithParam<ConfigCase> { };

TEST_P(ConfigPresenterTest, OkRebuildsBothBytesCancelKeepsThem)
{
    const ConfigCase& c = GetParam();
    keydata::KeyTable table;
    table.systemConfig = c.systemBefore;
    table.mcrConfig = c.mcrBefore;
    CFakeConfigDialog dialog;
    CConfigPresenter presenter(table, dialog);
    presenter.OnInitDialog();
    for (auto& [id, checked] : dialog.boxes)
        if (c.clearBox == -1 || c.clearBox == id)
            checked = false;
    c.ok ? presenter.OnOk() : presenter.OnCancel();
    EXPECT_EQ(dialog.ended, c.ok);
    EXPECT_EQ(table.systemConfig, c.systemAfter);
    EXPECT_EQ(table.mcrConfig, c.mcrAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigPresenterTest,
    ::testing::Values(ConfigCase { 0x03, 0x0F, 0, true, 0x03, 0x0F }, // unchanged
        ConfigCase { 0x03, 0x0F, -1, true, 0x00, 0x00 }, ConfigCase { 0x03, 0x0F, -1, false, 0x03, 0x0F },
        ConfigCase { 0xFA, 0xF5, 0, false, 0xFA, 0xF5 }, // bits without a box: kept on Cancel,
        ConfigCase { 0xFA, 0xF5, IDC_FIRST_SYSTEM_BOX + 2, true, 0x02, 0x05 })); // dropped on OK

TEST(ConfigPresenter, BoxesShowTheBitsInOrder)
{
    keydata::KeyTable table;
    table.systemConfig = 0x05;
    table.mcrConfig = 0x0A;
    CFakeConfigDialog dialog;
    CConfigPresenter(table, dialog).OnInitDialog();
    const std::map<int, bool> expected { { IDC_FIRST_SYSTEM_BOX, true }, { IDC_FIRST_SYSTEM_BOX + 1, false },
        { IDC_FIRST_SYSTEM_BOX + 2, true }, { IDC_FIRST_MCR_BOX, false }, { IDC_FIRST_MCR_BOX + 1, true },
        { IDC_FIRST_MCR_BOX + 2, false }, { IDC_FIRST_MCR_BOX + 3, true } };
    EXPECT_EQ(dialog.boxes, expected);
}

} // namespace
