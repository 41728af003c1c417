#include "KeyboardSession.h"

#include "CliTexts.h"
#include "Format.h"
#include "KeyFileMessages.h"

#include <transfer/TransferTexts.h>

#include <unistd.h>
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <cstdio>
#include <iostream>
#include <string_view>

namespace lodemar::cli {

namespace {

constexpr std::string_view EMULATE_OPTION = "--emulate";

constexpr int PROGRESS_STEPS = keydata::KEY_NUMBER_COUNT; // one step per key packet
constexpr int PROGRESS_BAR_WIDTH = 32;
constexpr int PROGRESS_LINE_EVERY = 16; // keys between plain lines

std::string loadFailureReason(const driverchannel::CDriverChannel& channel,
    const driverchannel::DriverPlatformOptions& options, int result, bool emulate)
{
    switch (result) {
    case driverchannel::CHANNEL_KEYBOARD_IN_USE:
        return format(text::LOAD_KEYBOARD_IN_USE, channel.KeyboardHolder().c_str());
    case driverchannel::CHANNEL_DRIVER_FILE_NOT_FOUND:
        return format(emulate ? text::LOAD_NO_DRIVER_FILE_EMULATED : text::LOAD_NO_DRIVER_FILE_HARDWARE,
            driverchannel::DriverHostFolder(options).c_str());
    case driverchannel::CHANNEL_OPEN_MANAGER_FAILED:
        return text::LOAD_NO_REGISTRATION_FOLDER;
    case driverchannel::CHANNEL_OPEN_SERVICE_FAILED:
        return text::LOAD_NO_REGISTRATION;
    case driverchannel::CHANNEL_OUT_OF_MEMORY:
        return text::LOAD_OUT_OF_MEMORY;
    case driverchannel::CHANNEL_START_FAILED:
        return emulate ? text::LOAD_START_FAILED_EMULATED : text::LOAD_START_FAILED_HARDWARE;
    case driverchannel::CHANNEL_NO_DEVICE:
        return text::LOAD_NO_DEVICE;
    case driverchannel::CHANNEL_DIRECTORY_FAILED:
        return text::LOAD_NO_DIRECTORY;
    default:
        return format(text::LOAD_OTHER, result);
    }
}

// The progress window's rounding: position n + 1 of 128, half up.
int percentOf(int keyNumber)
{
    return static_cast<int>((keyNumber + 1) * 100.0 / PROGRESS_STEPS + 0.5);
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

bool isEmulateOption(const std::string& argument)
{
    return argument == EMULATE_OPTION
        || (argument.size() > EMULATE_OPTION.size()
            && argument.compare(0, EMULATE_OPTION.size(), EMULATE_OPTION) == 0
            && argument[EMULATE_OPTION.size()] == '=');
}

bool takeKeyboardChoice(Arguments& arguments, KeyboardChoice& choice, std::string& problem)
{
    Arguments rest;
    for (const std::string& argument : arguments) {
        if (!isEmulateOption(argument)) {
            rest.push_back(argument);
            continue;
        }
        choice.emulate = true;
        choice.memoryFile.clear();
        if (argument.size() > EMULATE_OPTION.size()) {
            choice.memoryFile = argument.substr(EMULATE_OPTION.size() + 1);
            // "--emulate=" must not quietly become the default file.
            if (choice.memoryFile.empty()) {
                problem = text::EMPTY_MEMORY_FILE;
                return false;
            }
        }
    }
    arguments = std::move(rest);
    return true;
}

std::string installedDriverFolder()
{
    return driverchannel::DriverHostFolder({});
}

bool CKeyboardSession::Open(const KeyboardChoice& choice)
{
    driverchannel::DriverPlatformOptions options;
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
    m_channel = std::make_unique<driverchannel::CDriverChannel>(driverchannel::CreateDriverPlatform(options));
    const int loaded = m_channel->Load(driverchannel::DRIVER_SERVICE_NAME, nullptr, nullptr, true);
    if (loaded == driverchannel::CHANNEL_SUCCESS) {
        if (!choice.emulate)
            std::cerr << text::PROGRAM << ": " << text::KEYBOARD_PAUSED << '\n';
        return true;
    }
    fail(format(text::LOAD_FAILED, transfer::text::LOAD_DRIVER_FAIL,
        loadFailureReason(*m_channel, options, loaded, choice.emulate).c_str()));
    return false;
}

CProgressBar::CProgressBar()
    : m_terminal(::isatty(STDERR_FILENO) == 1)
{
}

void CProgressBar::Update(int keyNumber)
{
    const std::string status = format(transfer::text::PROGRESS_STATUS, keyNumber);
    const int percent = percentOf(keyNumber);
    if (m_terminal) {
        const int done = (keyNumber + 1) * PROGRESS_BAR_WIDTH / PROGRESS_STEPS;
        const std::string bar = std::string(static_cast<std::size_t>(done), text::PROGRESS_DONE)
            + std::string(static_cast<std::size_t>(PROGRESS_BAR_WIDTH - done), text::PROGRESS_TODO);
        std::fputs(
            format(text::PROGRESS_BAR, transfer::text::PROGRESS_TITLE, percent, bar.c_str(), status.c_str())
                .c_str(),
            stderr);
        m_drawn = true;
    } else if (keyNumber % PROGRESS_LINE_EVERY == 0 || keyNumber == PROGRESS_STEPS - 1) {
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

bool parseKeyboardFileArguments(
    const char* self, const Arguments& given, KeyboardChoice& choice, std::string& file, int& usageCode)
{
    Arguments arguments = given;
    std::string problem;
    if (!takeKeyboardChoice(arguments, choice, problem)) {
        usageCode = usageError(self, problem);
        return false;
    }
    for (const std::string& argument : arguments) {
        if (argument.size() > 1 && argument[0] == '-') {
            usageCode = usageError(self, format(text::UNKNOWN_OPTION, argument.c_str()));
            return false;
        }
    }
    if (arguments.size() != 1) {
        usageCode = usageError(self, text::WRONG_ARGUMENTS);
        return false;
    }
    file = arguments[0];
    return true;
}

bool writeWithProgress(transfer::CKeyboardTransfer& transfer, const keydata::KeyTable& table)
{
    CProgressBar bar;
    const transfer::WriteResult written
        = transfer.Write(table, [&bar](int keyNumber) { bar.Update(keyNumber); });
    bar.Finish();
    if (!written.Succeeded()) {
        fail(writeFailureText(written));
        return false;
    }
    std::cout << transfer::text::WRITE_SUCCESS << '\n';
    return true;
}

int writeFileToKeyboard(const char* self, const Arguments& given, const AfterWrite& afterWrite)
{
    KeyboardChoice choice;
    std::string file;
    int usageCode = EXIT_USAGE;
    if (!parseKeyboardFileArguments(self, given, choice, file, usageCode))
        return usageCode;
    keydata::KeyTable table;
    if (!loadWritableTable(file, table))
        return EXIT_FAILED;
    CKeyboardSession session;
    if (!session.Open(choice))
        return EXIT_FAILED;
    transfer::CKeyboardTransfer transfer(session.Channel());
    if (!writeWithProgress(transfer, table))
        return EXIT_FAILED;
    return afterWrite ? afterWrite(transfer, table, file) : EXIT_OK;
}

bool loadWritableTable(const std::string& file, keydata::KeyTable& table)
{
    std::size_t length = 0;
    if (!loadTableOrReport(file, table, length))
        return false;
    // Refused before the driver is even loaded: nothing is sent.
    const keydata::KeyboardFit fit = keydata::checkKeyboardFit(table);
    if (!fit.fits()) {
        fail(transfer::fitRefusalText(fit));
        return false;
    }
    return true;
}

std::string writeFailureText(const transfer::WriteResult& result)
{
    const char* fail = transfer::text::WRITE_FAIL;
    switch (result.status) {
    case transfer::WriteStatus::NotFitting:
        return transfer::fitRefusalText(result.fit);
    case transfer::WriteStatus::HeaderFailed:
        return format(text::WRITE_FAILED_HEADER, fail, channelText(result.channelResult).c_str());
    case transfer::WriteStatus::KeyFailed:
        return format(
            text::WRITE_FAILED_KEY, fail, result.failedKeyNumber, channelText(result.channelResult).c_str());
    case transfer::WriteStatus::FinishFailed:
        return format(text::WRITE_FAILED_FINISH, fail, channelText(result.channelResult).c_str());
    case transfer::WriteStatus::Written:
        break;
    }
    return {};
}

std::string readFailureText(const transfer::ReadResult& result)
{
    const char* fail = transfer::text::READ_FAIL;
    switch (result.status) {
    case transfer::ReadStatus::RequestFailed:
        return format(text::READ_FAILED, fail, channelText(result.count).c_str());
    case transfer::ReadStatus::NothingReturned:
        return format(text::READ_FAILED, fail, text::READ_REFUSED);
    case transfer::ReadStatus::TooLong:
        return format(text::READ_FAILED, fail, text::READ_TOO_LONG);
    case transfer::ReadStatus::Read:
        break;
    }
    return {};
}

} // namespace lodemar::cli
