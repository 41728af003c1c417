#include <dialogs/CConfigDialog.h>

#include "CommandButtons.h"

#include <dialogs/DialogTexts.h>

#include <dialoglayout/ConfigDialogLayout.h>
#include <keydata/KeySettings.h>
#include <widgets/ControlId.h>
#include <widgets/CSkinnedButton.h>
#include <widgets/DialogUnits.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>

#include <span>

using namespace dialogs;
using namespace dialoglayout;

namespace {

QRect placeOf(const DialogPlace& place)
{
    return widgets::dialogRect(place.x, place.y, place.width, place.height);
}

void buildGroup(QWidget* dialog, const char* title, const DialogPlace& group,
    std::span<const keydata::SettingBit> bits, int firstId)
{
    auto* box = new QGroupBox(QString::fromLatin1(title), dialog);
    box->setGeometry(placeOf(group));
    for (std::size_t i = 0; i < bits.size(); ++i) {
        auto* check = new QCheckBox(QString::fromLatin1(bits[i].name), dialog);
        check->setGeometry(placeOf(configBoxPlace(group, i)));
        widgets::setControlId(check, firstId + int(i));
    }
}

widgets::CSkinnedButton* buildButton(QWidget* dialog, const char* text, const DialogPlace& place, int id)
{
    auto* button = new widgets::CSkinnedButton(QString::fromLatin1(text), dialog);
    button->setGeometry(placeOf(place));
    button->SetControlId(id);
    return button;
}

} // namespace

CConfigDialog::CConfigDialog(keydata::KeyTable& table, QWidget* parent)
    : QDialog(parent)
    , m_presenter(table, *this)
{
    setWindowTitle(QString::fromLatin1(TEXT_CONFIG_DIALOG_TITLE));
    setFont(widgets::dialogFont());
    setFixedSize(widgets::dialogSize(CONFIG_WIDTH, CONFIG_HEIGHT));

    buildGroup(this, TEXT_SYSTEM_CONFIG_GROUP, CONFIG_SYSTEM_GROUP, keydata::systemConfigBits(),
        IDC_FIRST_SYSTEM_BOX);
    buildGroup(this, TEXT_MCR_CONFIG_GROUP, CONFIG_MCR_GROUP, keydata::mcrConfigBits(), IDC_FIRST_MCR_BOX);

    m_ok = buildButton(this, TEXT_OK, CONFIG_OK_PLACE, IDC_CONFIG_OK);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CConfigDialog::accept);
    m_cancel = buildButton(this, TEXT_CANCEL, CONFIG_CANCEL_PLACE, IDC_CONFIG_CANCEL);
    connect(m_cancel, &QPushButton::clicked, this, &CConfigDialog::reject);
}

void CConfigDialog::showEvent(QShowEvent* event)
{
    if (!m_open) {
        m_open = true;
        m_presenter.OnInitDialog();
        skinCommandButton(*m_ok);
        skinCommandButton(*m_cancel);
    }
    QDialog::showEvent(event);
}

void CConfigDialog::accept()
{
    m_presenter.OnOk();
}

void CConfigDialog::reject()
{
    m_presenter.OnCancel();
}

void CConfigDialog::SetChecked(int boxId, bool checked)
{
    if (auto* box = qobject_cast<QAbstractButton*>(widgets::findControl(this, boxId)))
        box->setChecked(checked);
}

bool CConfigDialog::IsChecked(int boxId) const
{
    const auto* box = qobject_cast<const QAbstractButton*>(widgets::findControl(this, boxId));
    return box && box->isChecked();
}

void CConfigDialog::EndDialog(bool accepted)
{
    m_open = false;
    accepted ? QDialog::accept() : QDialog::reject();
}
