#include <presenters/CConfigPresenter.h>

#include <dialoglayout/ConfigDialogLayout.h>
#include <keydata/KeySettings.h>
#include <keydata/KeyTable.h>

#include <cstdint>
#include <span>

namespace presenters {
namespace {

void showBits(CConfigView& view, int firstBox, std::span<const keydata::SettingBit> bits, std::uint8_t value)
{
    for (std::size_t i = 0; i < bits.size(); ++i)
        view.SetChecked(firstBox + int(i), (value & bits[i].mask) != 0);
}

std::uint8_t readBits(const CConfigView& view, int firstBox, std::span<const keydata::SettingBit> bits)
{
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (view.IsChecked(firstBox + int(i)))
            value |= bits[i].mask;
    return value;
}

} // namespace

CConfigPresenter::CConfigPresenter(keydata::KeyTable& table, CConfigView& view)
    : m_table(table)
    , m_view(view)
{
}

void CConfigPresenter::OnInitDialog()
{
    m_initialised = true;
    showBits(m_view, dialoglayout::IDC_FIRST_SYSTEM_BOX, keydata::systemConfigBits(), m_table.systemConfig);
    showBits(m_view, dialoglayout::IDC_FIRST_MCR_BOX, keydata::mcrConfigBits(), m_table.mcrConfig);
}

void CConfigPresenter::OnOk()
{
    if (!m_initialised)
        OnInitDialog();
    m_table.systemConfig = readBits(m_view, dialoglayout::IDC_FIRST_SYSTEM_BOX, keydata::systemConfigBits());
    m_table.mcrConfig = readBits(m_view, dialoglayout::IDC_FIRST_MCR_BOX, keydata::mcrConfigBits());
    m_view.EndDialog(true);
}

void CConfigPresenter::OnCancel()
{
    m_view.EndDialog(false);
}

} // namespace presenters
