// The main window's keyboard transfers: "&Write to KB" under the progress
// window and "&Read KB data", over the GUI-free transfer component.
#include <app/AppTexts.h>
#include <app/CMainDialog.h>

#include <keydata/KeyboardFit.h>
#include <keydata/KeyboardProtocol.h>
#include <keydata/WritePackets.h>
#include <transfer/CKeyboardTransfer.h>
#include <transfer/TransferTexts.h>
#include <widgets/GuiSeams.h>
#include <widgets/ProgressPopup.h>
#include <widgets/WidgetTexts.h>

#include <QWidget>

#include <memory>

namespace app {
namespace {

using widgets::MessageAnswer;
using widgets::MessageButtons;
using widgets::MessageIcon;

// The transfer's reason and the state of the keyboard's data area.
QString fitRefusalMessage(const keydata::KeyboardFit& fit)
{
    return QString::fromStdString(transfer::fitRefusalText(fit))
        + QString::asprintf(
            MSG_FIT_DATA_AREA, int(fit.dataUsed), int(fit.dataFree), int(keydata::DATA_AREA_SIZE));
}

// The system's failure text, and ours on a line of its own under it.
void writeFailure(QWidget* owner, const QString& detail)
{
    QString text = QString::fromLatin1(transfer::text::WRITE_FAIL);
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n") + detail;
    widgets::ShowMessage(owner, text, MessageIcon::Stop);
}

bool confirmed(QWidget* owner, const char* question)
{
    return widgets::ShowMessage(
               owner, QString::fromLatin1(question), MessageIcon::Question, MessageButtons::YesNo)
        == MessageAnswer::Yes;
}

} // namespace

void CMainDialog::OnWriteToKb()
{
    // Refused before the question: there is nothing to confirm.
    const keydata::KeyboardFit fit = keydata::checkKeyboardFit(m_table);
    if (!fit.fits()) {
        widgets::ShowMessage(this, fitRefusalMessage(fit), MessageIcon::Stop);
        return;
    }
    if (!confirmed(this, transfer::text::CONFIRM_WRITE))
        return;

    // The progress window comes after the header packet, with the first key;
    // its last step is the read-back that confirms the write.
    std::unique_ptr<widgets::CProgressPopup> progress;
    m_writing = true;
    const transfer::WriteResult result = m_transfer->Write(m_table, [&](int step) {
        if (!progress) {
            progress = std::make_unique<widgets::CProgressPopup>(
                this, QString::fromLatin1(transfer::text::PROGRESS_TITLE), false);
            // The window exists, so its title stays "Programing...".
            progress->BeginModal(QString::fromLatin1(widgets::PROGRESS_DEFAULT_TITLE));
            progress->SetBounds(0, transfer::writeSteps(true), 1);
            m_progress = progress.get();
        }
        if (step == transfer::VERIFY_STEP)
            progress->SetStatus("%s", transfer::text::PROGRESS_VERIFY);
        else
            progress->SetStatus(transfer::text::PROGRESS_STATUS, step);
        progress->Advance();
        progress->PumpMessages(true);
    });
    m_writing = false;

    // The keyboard read back holds the programmed keys; or every key packet
    // went out and only the finish failed.
    if (result.MarksKeys())
        MarkKeys(COLOR_KEY_WRITTEN);
    if (progress)
        progress->Close();
    m_progress = nullptr;

    switch (result.status) {
    case transfer::WriteStatus::Written:
        MarkClean(); // the keyboard holds the table, as read back
        widgets::ShowMessage(
            this, QString::fromLatin1(transfer::text::WRITE_SUCCESS), MessageIcon::Information);
        break;
    case transfer::WriteStatus::NotFitting:
        widgets::ShowMessage(this, fitRefusalMessage(result.fit), MessageIcon::Stop);
        break;
    case transfer::WriteStatus::Mismatch:
        writeFailure(this,
            QString::asprintf(
                transfer::text::VERIFY_MISMATCH, transfer::differenceText(result.difference).c_str()));
        break;
    case transfer::WriteStatus::VerifyReadFailed:
        writeFailure(this, QString::fromLatin1(transfer::text::VERIFY_READ_FAILED));
        break;
    default:
        writeFailure(this, QString());
        break;
    }
}

void CMainDialog::OnReadKbData()
{
    if (!ConfirmDiscard(DISCARD_READ) || !confirmed(this, transfer::text::CONFIRM_READ))
        return;

    // The request blocks until the keyboard has sent its memory.
    const keydata::KeyTable before = m_table;
    SetReading(true);
    const transfer::ReadResult result = m_transfer->Read(m_table);
    SetReading(false);
    if (result.Succeeded()) {
        RememberChange(before, QString::fromLatin1(UNDO_READ));
        MarkClean();
    }
    // A keyboard that took the read command and sent nothing leaves the
    // table as it was, and is told as a success, as designed.
    const bool success = result.Succeeded() || result.status == transfer::ReadStatus::EndOnly;
    if (success)
        RefreshGrid();

    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();

    if (success)
        widgets::ShowMessage(this, QString::fromLatin1(transfer::text::READ_SUCCESS), MessageIcon::None);
    else
        widgets::ShowMessage(this, QString::fromLatin1(transfer::text::READ_FAIL), MessageIcon::Stop);
}

} // namespace app
