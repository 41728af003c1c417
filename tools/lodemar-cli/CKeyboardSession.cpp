#include "CKeyboardSession.h"

#include "CliTexts.h"
#include "KeyFileMessages.h"
#include "LayoutInput.h"
#include <lodemar/Format.h>

#include <transfer/CKeyboardTransfer.h>
#include <transfer/TransferTexts.h>

#include <unistd.h>
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <cmath>
#include <cstdio>
#include <iostream>

namespace lodemar::cli {

namespace {

constexpr int PROGRESS_BAR_WIDTH = 32;
constexpr int PROGRESS_LINE_EVERY = 16; // keys between plain lines

// The progress window's rounding: position step + 1 of steps, half up.
int percentOf(int step, int steps)
{
    return static_cast<int>(std::lround((step + 1) * 100.0 / steps));
}

} // namespace

std::string channelText(int result)
{
    switch (result) {
    case driverchannel::CHANNEL_NO_DEVICE:
        return text::CHANNEL_NO_DEVICE_TEXT;
    case driverchannel::CHANNEL_REQUEST_FAILED:
        return text::CHANNEL_REQUEST_FAILED_TEXT;
    default:
        return format(text::CHANNEL_OTHER_TEXT, result);
    }
}

std::string installedDriverFolder()
{
    return driverchannel::DriverHostFolder({});
}

bool CKeyboardSession::Open(const KeyboardChoice& choice)
{
    driverchannel::DriverBackendOptions options;
#if defined(_WIN32)
    if (choice.emulate) {
        fail(text::NO_EMULATION);
        return false;
    }
#endif
    if (choice.emulate) {
        options.emulatedKeyboardMemory
            = choice.memoryFile.empty() ? driverchannel::DefaultEmulatedKeyboardMemory() : choice.memoryFile;
        // Without a memory file the real keyboard would be chosen.
        if (options.emulatedKeyboardMemory.empty()) {
            fail(text::NO_DEFAULT_MEMORY);
            return false;
        }
    }
    m_channel = std::make_unique<driverchannel::CDriverChannel>(driverchannel::CreateDriverBackend(options));
    const int loaded = m_channel->Load(driverchannel::DRIVER_NAME, nullptr, nullptr, true);
    if (loaded == driverchannel::CHANNEL_SUCCESS) {
        if (!choice.emulate)
            std::cerr << text::PROGRAM << ": " << text::KEYBOARD_PAUSED << '\n';
        return true;
    }
    fail(Failure { transfer::text::LOAD_DRIVER_FAIL,
        transfer::loadFailureReason(*m_channel, options, loaded, text::PROGRAM) });
    return false;
}

CProgressBar::CProgressBar(int steps)
    : m_steps(steps)
    , m_terminal(::isatty(STDERR_FILENO) == 1)
{
}

void CProgressBar::Update(int step)
{
    const std::string status = step == transfer::VERIFY_STEP ? std::string(transfer::text::PROGRESS_VERIFY)
                                                             : format(transfer::text::PROGRESS_STATUS, step);
    const int percent = percentOf(step, m_steps);
    if (m_terminal) {
        const int done = (step + 1) * PROGRESS_BAR_WIDTH / m_steps;
        const std::string bar = std::string(static_cast<std::size_t>(done), text::PROGRESS_DONE)
            + std::string(static_cast<std::size_t>(PROGRESS_BAR_WIDTH - done), text::PROGRESS_TODO);
        // The line is cleared: the verification's status is shorter.
        std::fputs(
            format(text::PROGRESS_BAR, transfer::text::PROGRESS_TITLE, percent, bar.c_str(), status.c_str())
                .c_str(),
            stderr);
        m_drawn = true;
    } else if (step % PROGRESS_LINE_EVERY == 0 || step >= keydata::KEY_NUMBER_COUNT - 1) {
        std::fputs(
            format(text::PROGRESS_LINE, transfer::text::PROGRESS_TITLE, percent, status.c_str()).c_str(),
            stderr);
    }
    std::fflush(stderr);
}

void CProgressBar::Finish()
{
    if (m_drawn)
        std::fputc('\n', stderr);
    m_drawn = false;
}

transfer::WriteResult writeWithProgress(
    transfer::CKeyboardTransfer& transfer, const keydata::KeyTable& table, bool verify, bool showProgress)
{
    CProgressBar bar(transfer::writeSteps(verify));
    transfer::WriteProgress progress;
    if (showProgress)
        progress = [&bar](int step) { bar.Update(step); };
    transfer::WriteResult written = transfer.Write(table, progress, verify);
    bar.Finish();
    if (!written.Succeeded())
        fail(writeFailure(written));
    return written;
}

bool readKeyboard(CKeyboardSession& session, keydata::KeyboardContents& keyboard, bool sayStatus)
{
    transfer::CKeyboardTransfer transfer(session.Channel());
    const transfer::ReadResult read = transfer.Read(keyboard);
    if (!read.Succeeded()) {
        fail(readFailure(read));
        return false;
    }
    if (sayStatus)
        std::cerr << transfer::text::READ_SUCCESS << '\n';
    return true;
}

bool loadWritableTable(const std::string& file, keydata::KeyTable& table)
{
    if (!loadLayoutOrReport(file, table))
        return false;
    // Refused before the driver is even loaded: nothing is sent.
    const keydata::KeyboardFit fit = keydata::checkKeyboardFit(table);
    if (!fit.Fits()) {
        fail(transfer::fitRefusalText(fit));
        return false;
    }
    return true;
}

Failure writeFailure(const transfer::WriteResult& result)
{
    const char* systemText = transfer::text::WRITE_FAIL;
    const std::string channel = channelText(result.channelResult);
    switch (result.status) {
    case transfer::WriteStatus::NotFitting:
        return { transfer::fitRefusalText(result.fit), {} };
    case transfer::WriteStatus::HeaderFailed:
        return { systemText, format(text::WRITE_FAILED_HEADER, channel.c_str()) };
    case transfer::WriteStatus::KeyFailed:
        return { systemText, format(text::WRITE_FAILED_KEY, result.failedKeyNumber, channel.c_str()) };
    case transfer::WriteStatus::FinishFailed:
        return { systemText, format(text::WRITE_FAILED_FINISH, channel.c_str()) };
    case transfer::WriteStatus::VerifyReadFailed:
        return { systemText,
            format(text::WRITE_FAILED_READ_BACK, readFailureReason(result.verifyRead).c_str()) };
    case transfer::WriteStatus::Mismatch:
        return { systemText,
            format(text::WRITE_FAILED_MISMATCH, transfer::differenceText(result.difference).c_str()) };
    case transfer::WriteStatus::Written:
        break;
    }
    return {};
}

std::string readFailureReason(const transfer::ReadResult& result)
{
    switch (result.status) {
    case transfer::ReadStatus::RequestFailed:
        return channelText(result.count);
    case transfer::ReadStatus::NothingReturned:
        return text::READ_REFUSED;
    case transfer::ReadStatus::TooLong:
        return format(text::READ_TOO_LONG, transfer::READ_COUNT_LIMIT);
    case transfer::ReadStatus::EndOnly:
        return text::READ_END_ONLY;
    case transfer::ReadStatus::Incomplete:
        return text::READ_INCOMPLETE;
    case transfer::ReadStatus::Read:
        break;
    }
    return {};
}

Failure readFailure(const transfer::ReadResult& result)
{
    return { transfer::text::READ_FAIL, readFailureReason(result) };
}

} // namespace lodemar::cli
