#include <dialogs/ConfigDialog.h>

#include "CommandButtons.h"

#include <dialogs/DialogTexts.h>

#include <keydata/KeySettings.h>
#include <keydata/KeyTable.h>
#include <widgets/ControlId.h>
#include <widgets/DialogUnits.h>
#include <widgets/SkinnedButton.h>

#include <QCheckBox>
#include <QGroupBox>

#include <cstdint>
#include <span>

using namespace dialogs;

namespace {

constexpr int DIALOG_WIDTH = 224;
constexpr int DIALOG_HEIGHT = 100;

constexpr int ID_FIRST_SYSTEM_BOX = 1155; // 1155..1157, bits 0..2 of systemConfig
constexpr int ID_FIRST_MCR_BOX = 1158; // 1158..1161, bits 0..3 of mcrConfig

// Places in dialog units: the two groups side by side, a box every
// BOX_STEP units, the buttons below.
constexpr int GROUP_Y = 7;
constexpr int GROUP_HEIGHT = 66;
constexpr int SYSTEM_GROUP_X = 7;
constexpr int SYSTEM_GROUP_WIDTH = 100;
constexpr int MCR_GROUP_X = 115;
constexpr int MCR_GROUP_WIDTH = 102;
constexpr int BOX_INSET_X = 7;
constexpr int FIRST_BOX_Y = 19;
constexpr int BOX_STEP = 12;
constexpr int BOX_HEIGHT = 10;
constexpr int BUTTON_Y = 79;
constexpr int BUTTON_WIDTH = 50;
constexpr int BUTTON_HEIGHT = 16;
constexpr int OK_X = 50;
constexpr int CANCEL_X = 124;

template <std::size_t N>
void buildGroup(QWidget* dialog, const char* title, int x, int width,
    std::span<const keydata::SettingBit> bits, int firstId, std::array<QCheckBox*, N>& boxes)
{
    auto* group = new QGroupBox(QString::fromLatin1(title), dialog);
    group->setGeometry(widgets::dialogRect(x, GROUP_Y, width, GROUP_HEIGHT));
    for (std::size_t i = 0; i < N && i < bits.size(); ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(bits[i].name), dialog);
        const int y = FIRST_BOX_Y + static_cast<int>(i) * BOX_STEP;
        box->setGeometry(widgets::dialogRect(x + BOX_INSET_X, y, width - 2 * BOX_INSET_X, BOX_HEIGHT));
        widgets::setControlId(box, firstId + static_cast<int>(i));
        boxes[i] = box;
    }
}

template <std::size_t N>
void showBits(
    const std::array<QCheckBox*, N>& boxes, std::span<const keydata::SettingBit> bits, std::uint8_t value)
{
    for (std::size_t i = 0; i < N; ++i)
        boxes[i]->setChecked((value & bits[i].mask) != 0);
}

template <std::size_t N>
std::uint8_t readBits(const std::array<QCheckBox*, N>& boxes, std::span<const keydata::SettingBit> bits)
{
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < N; ++i)
        if (boxes[i]->isChecked())
            value |= bits[i].mask;
    return value;
}

} // namespace

CConfigDialog::CConfigDialog(keydata::KeyTable& table, QWidget* parent)
    : QDialog(parent)
    , m_table(table)
{
    setWindowTitle(QString::fromLatin1(TEXT_CONFIG_DIALOG_TITLE));
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(DIALOG_WIDTH, DIALOG_HEIGHT));

    buildGroup(this, TEXT_SYSTEM_CONFIG_GROUP, SYSTEM_GROUP_X, SYSTEM_GROUP_WIDTH,
        keydata::systemConfigBits(), ID_FIRST_SYSTEM_BOX, m_systemBoxes);
    buildGroup(this, TEXT_MCR_CONFIG_GROUP, MCR_GROUP_X, MCR_GROUP_WIDTH, keydata::mcrConfigBits(),
        ID_FIRST_MCR_BOX, m_mcrBoxes);

    m_ok = new widgets::CSkinnedButton(QString::fromLatin1(TEXT_OK), this);
    m_ok->setGeometry(widgets::dialogRect(OK_X, BUTTON_Y, BUTTON_WIDTH, BUTTON_HEIGHT));
    m_ok->SetControlId(ID_OK);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CConfigDialog::accept);
    m_cancel = new widgets::CSkinnedButton(QString::fromLatin1(TEXT_CANCEL), this);
    m_cancel->setGeometry(widgets::dialogRect(CANCEL_X, BUTTON_Y, BUTTON_WIDTH, BUTTON_HEIGHT));
    m_cancel->SetControlId(ID_CANCEL);
    connect(m_cancel, &QPushButton::clicked, this, &CConfigDialog::reject);
}

void CConfigDialog::showEvent(QShowEvent* event)
{
    if (!m_open)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CConfigDialog::OnInitDialog()
{
    m_open = true;
    showBits(m_systemBoxes, keydata::systemConfigBits(), m_table.systemConfig);
    showBits(m_mcrBoxes, keydata::mcrConfigBits(), m_table.mcrConfig);
    skinCommandButton(*m_ok);
    skinCommandButton(*m_cancel);
}

void CConfigDialog::accept()
{
    // Accepted without being shown: the boxes first show the bytes as they are.
    if (!m_open)
        OnInitDialog();
    m_table.systemConfig = readBits(m_systemBoxes, keydata::systemConfigBits());
    m_table.mcrConfig = readBits(m_mcrBoxes, keydata::mcrConfigBits());
    QDialog::accept();
}

void CConfigDialog::done(int result)
{
    m_open = false;
    QDialog::done(result);
}
