// The emulated card reader on a pseudo-terminal: a thread that cuts request
// frames out of what arrives on the master side, answers them through
// CCardReaderModel, and sends the replies at 9600-baud pacing, with faults
// injected on request. Programs open the slave side as their serial port.
#pragma once

#include "CCardReaderModel.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

enum class ReaderFaultKind {
    None,
    BadCheck, // the reply's check byte is wrong
    ErrorStatus, // the command is not carried out; the reply carries ReaderFault::status
    Partial, // only the first ReaderFault::keep bytes of the reply are sent
    Late, // the reply is sent after ReaderFault::delay
    Garbage, // ReaderFault::garbage follows the reply
    Silence, // the request is swallowed and not answered
    Canned, // the command is not carried out; ReaderFault::reply is sent as it is
};

struct ReaderFault {
    // Looks like a complete reply (status 0, one data byte 07), so that a
    // reader of the line that fails to discard it is caught taking it.
    static constexpr std::uint8_t GARBAGE[] = { 0x02, 0x00, 0x01, 0x07, 0x06, 0x03 };

    ReaderFaultKind kind = ReaderFaultKind::None;
    std::uint8_t status = 0x20;
    std::size_t keep = 3;
    std::chrono::milliseconds delay { 1500 };
    std::vector<std::uint8_t> garbage { std::begin(GARBAGE), std::end(GARBAGE) };
    std::vector<std::uint8_t> reply;
};

// The fault's name on the emulator's console ("bad-check", "status", ...).
const char* readerFaultName(ReaderFaultKind kind);
std::optional<ReaderFaultKind> readerFaultFromName(const std::string& name);

class CCardReaderEmulator {
public:
    // One byte on a 9600-baud 8N1 line: ten bit times.
    static constexpr std::chrono::nanoseconds BYTE_TIME { 10'000'000'000LL / 9600 };

    CCardReaderEmulator();
    ~CCardReaderEmulator();
    CCardReaderEmulator(const CCardReaderEmulator&) = delete;
    CCardReaderEmulator& operator=(const CCardReaderEmulator&) = delete;

    // Opens the pseudo-terminal and starts serving: 0 or a negative errno.
    int Start();
    void Stop();
    // The device a program opens as its serial port.
    const std::string& SlavePath() const { return m_slavePath; }

    // Pacing on (the default): requests take their line time to arrive and
    // replies go out one byte per BYTE_TIME. Off: everything at once.
    void SetPacing(bool on);
    // Faults apply to the following requests, one each, in the order armed.
    void ArmFault(const ReaderFault& fault);
    void ClearFaults();
    std::size_t PendingFaults() const;

    // Puts bytes on the line unasked, as line noise would (while idle).
    bool Inject(const std::vector<std::uint8_t>& bytes);

    // Runs f on the reader model under the emulator's lock.
    template <class F> auto WithModel(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_model);
    }

    // Bytes written to the line so far.
    std::size_t SentCount() const;
    // Every byte received so far, and the complete request frames among them.
    std::vector<std::uint8_t> Received() const;
    std::vector<std::vector<std::uint8_t>> Requests() const;
    void ClearRecord();

    // Waits until n requests have arrived / until no request is being
    // answered. False when the time ran out first.
    bool WaitForRequests(std::size_t n, std::chrono::milliseconds timeout);
    bool WaitIdle(std::chrono::milliseconds timeout);
    bool WaitForSent(std::size_t n, std::chrono::milliseconds timeout);

private:
    using Clock = std::chrono::steady_clock;

    void Serve();
    void Answer(const std::vector<std::uint8_t>& request, Clock::time_point firstByte);
    // Sleeps until t unless stopped: false when stopped.
    bool SleepUntil(Clock::time_point t);
    bool WriteAll(const std::uint8_t* bytes, std::size_t count);

    int m_master = -1;
    int m_slaveHold = -1;
    int m_wake[2] { -1, -1 };
    std::string m_slavePath;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_busy = false;
    bool m_pacing = true;
    CCardReaderModel m_model;
    std::deque<ReaderFault> m_faults;
    std::size_t m_sent = 0;
    std::vector<std::uint8_t> m_received;
    std::vector<std::vector<std::uint8_t>> m_requests;
};
