// What the keyboard commands share: the choice of keyboard (--emulate), the
// driver channel loaded for it, the progress bar of a write and the texts
// of their failures.
#pragma once

#include "CCommand.h"

#include <driverchannel/CDriverChannel.h>
#include <transfer/CKeyboardTransfer.h>

#include <memory>
#include <string>

namespace lodemar::cli {

// The folder the driver host is installed in (the real keyboard's host comes
// from there only); on Windows the system driver folder.
std::string installedDriverFolder();

// The driver channel, loaded for the chosen keyboard (held by this run
// alone) and removed again when the session ends.
class CKeyboardSession {
public:
    // Prints why it cannot (one line on stderr) and returns false.
    bool Open(const KeyboardChoice& choice);
    driverchannel::CDriverChannel& Channel() { return *m_channel; }

private:
    std::unique_ptr<driverchannel::CDriverChannel> m_channel;
};

// The progress of a write on stderr: a bar redrawn in place on a terminal,
// plain lines every few keys otherwise.
class CProgressBar {
public:
    // steps: transfer::writeSteps of the write.
    explicit CProgressBar(int steps);
    // A write's progress step (a key number, or transfer::VERIFY_STEP).
    void Update(int step);
    // Ends the bar's line.
    void Finish();

private:
    int m_steps;
    bool m_terminal;
    bool m_drawn = false;
};

// Loads a layout the keyboard can store; prints why not.
bool loadWritableTable(const std::string& file, keydata::KeyTable& table);
// Reads what the keyboard holds, key number by key number, with the
// system's text on stderr (status, when said) or its failure.
bool readKeyboard(CKeyboardSession& session, keydata::KeyboardContents& keyboard, bool sayStatus);
// Writes (and, with verify, reads the keyboard back), with the progress
// bar when said; prints the failure, and returns what happened.
transfer::WriteResult writeWithProgress(
    transfer::CKeyboardTransfer& transfer, const keydata::KeyTable& table, bool verify, bool showProgress);

// Why a request through the driver channel failed, from its result code.
std::string channelText(int result);

// A failed write or read: the system's text and why.
Failure writeFailure(const transfer::WriteResult& result);
Failure readFailure(const transfer::ReadResult& result);
// Why a read failed, without the system's text.
std::string readFailureReason(const transfer::ReadResult& result);

} // namespace lodemar::cli
