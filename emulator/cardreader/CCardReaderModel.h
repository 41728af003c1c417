// The reader's behaviour, free of any I/O: a complete request frame in, a
// complete reply frame out. Holds the card slot, the card's power and the
// reader's version string.
#pragma once

#include "CMemoryCard.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CCardReaderModel {
public:
    static constexpr const char* DEFAULT_VERSION = "VR-EMU 1.00";

    CCardReaderModel();

    // Answers one request frame (start byte to end byte).
    std::vector<std::uint8_t> Handle(std::span<const std::uint8_t> request);

    // A reply frame with its check byte.
    static std::vector<std::uint8_t> BuildReply(std::uint8_t status, std::span<const std::uint8_t> data = {});

    void InsertCard();
    void RemoveCard();
    bool CardPresent() const { return m_present; }
    bool Powered() const { return m_powered; }
    CMemoryCard& Card() { return m_card; }
    const CMemoryCard& Card() const { return m_card; }
    void SetVersion(std::string version) { m_version = std::move(version); }
    const std::string& Version() const { return m_version; }
    // How often each beep selector was asked for.
    unsigned Beeps(int selector) const { return selector == 0 || selector == 1 ? m_beeps[selector] : 0; }

private:
    std::uint8_t NeedPoweredCard() const;
    std::vector<std::uint8_t> Command(std::uint8_t code, std::span<const std::uint8_t> data);

    CMemoryCard m_card;
    bool m_present = true;
    bool m_powered = false;
    std::string m_version = DEFAULT_VERSION;
    unsigned m_beeps[2] {};
};

// Cuts request frames out of the received byte stream: skips anything before
// a start byte, then takes length + 4 bytes.
class CRequestFramer {
public:
    // Takes one byte; true when it completed a frame (then in Frame()).
    bool Feed(std::uint8_t byte);
    const std::vector<std::uint8_t>& Frame() const { return m_frame; }
    // True while a frame has begun but is not complete.
    bool Partial() const { return !m_frame.empty() && !m_complete; }
    void Reset();

private:
    std::vector<std::uint8_t> m_frame;
    bool m_complete = false;
};
