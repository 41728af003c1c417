// The main window's keyboard transfers: "&Write to KB" under the progress
// window and "&Read KB data", over the transfer component.
#include <presenters/CMainDialogPresenter.h>

#include <presenters/PresenterTexts.h>

#include <keydata/KeyboardFit.h>
#include <keydata/WritePackets.h>
#include <lodemar/Format.h>
#include <transfer/CKeyboardTransfer.h>
#include <transfer/TransferTexts.h>

namespace presenters {

using lodemar::format;

namespace {

// The transfer's reason and the state of the keyboard's data area.
std::string fitRefusalMessage(const keydata::KeyboardFit& fit)
{
    return transfer::fitRefusalText(fit)
        + format(MSG_FIT_DATA_AREA, static_cast<int>(fit.dataUsed), static_cast<int>(fit.dataFree),
            static_cast<int>(keydata::DATA_AREA_SIZE));
}

} // namespace

// The system's failure text, and ours on a line of its own under it.
void CMainDialogPresenter::WriteFailure(const std::string& detail)
{
    std::string text = transfer::text::WRITE_FAIL;
    if (!detail.empty())
        text += "\n\n" + detail;
    Tell(text, MessageIcon::Stop);
}

void CMainDialogPresenter::OnWriteToKb()
{
    // Refused before the question: there is nothing to confirm.
    const keydata::KeyboardFit fit = keydata::checkKeyboardFit(m_table);
    if (!fit.Fits()) {
        Tell(fitRefusalMessage(fit), MessageIcon::Stop);
        return;
    }
    if (!Confirmed(transfer::text::CONFIRM_WRITE))
        return;

    // The progress window comes after the header packet, with the first key;
    // its last step is the read-back that confirms the write.
    bool progress = false;
    m_busy = BusyState::Writing;
    const transfer::WriteResult result = m_transfer->Write(m_table, [&](int step) {
        if (!progress) {
            m_services.OpenProgress(transfer::text::PROGRESS_TITLE, transfer::writeSteps(true));
            progress = true;
        }
        m_services.StepProgress(step == transfer::VERIFY_STEP
                ? std::string(transfer::text::PROGRESS_VERIFY)
                : format(transfer::text::PROGRESS_STATUS, step));
    });
    m_busy = BusyState::Idle;

    // The keyboard read back holds the programmed keys; or every key packet
    // went out and only the finish failed.
    if (result.MarksKeys())
        MarkKeys(COLOR_KEY_WRITTEN);
    if (progress)
        m_services.CloseProgress();

    switch (result.status) {
    case transfer::WriteStatus::Written:
        MarkClean(); // the keyboard holds the table, as read back
        Tell(transfer::text::WRITE_SUCCESS, MessageIcon::Information);
        break;
    case transfer::WriteStatus::NotFitting:
        Tell(fitRefusalMessage(result.fit), MessageIcon::Stop);
        break;
    case transfer::WriteStatus::Mismatch:
        WriteFailure(
            format(transfer::text::VERIFY_MISMATCH, transfer::differenceText(result.difference).c_str()));
        break;
    case transfer::WriteStatus::VerifyReadFailed:
        WriteFailure(transfer::text::VERIFY_READ_FAILED);
        break;
    default:
        WriteFailure({});
        break;
    }
}

void CMainDialogPresenter::OnReadKbData()
{
    if (!KeepChanges(UNSAVED_READ) || !Confirmed(transfer::text::CONFIRM_READ))
        return;

    // The request blocks until the keyboard has sent its memory.
    const keydata::KeyTable before = m_table;
    m_busy = BusyState::Reading;
    const transfer::ReadResult result = m_transfer->Read(m_table);
    m_busy = BusyState::Idle;
    if (result.Succeeded()) {
        RememberChange(before, UNDO_READ);
        MarkClean();
    }
    // A keyboard that took the read command and sent nothing leaves the
    // table as it was, and is told as a success, as designed.
    const bool success = result.Succeeded() || result.status == transfer::ReadStatus::EndOnly;
    if (success)
        RefreshGrid();
    m_view.ReleaseMouseCapture();
    if (success)
        Tell(transfer::text::READ_SUCCESS, MessageIcon::None);
    else
        Tell(transfer::text::READ_FAIL, MessageIcon::Stop);
}

} // namespace presenters
