// The driver core wired to the emulated PC and keyboard.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include <kbemu/CEmulatedPc.h>
#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>
#include <tavrin/TavrinCore.h>

#include "../emulator-keyboard/EmulatedPcFixture.h"

class CoreFixture : public ::testing::Test {
protected:
    kbemu::CKeyboardMemory m_memory;
    kbemu::CKeyboardFirmware m_keyboard { m_memory };
    kbemu::CEmulatedPc m_pc { m_keyboard };
    CPcRecorder m_recorder { m_pc };
    PcRecord& m_seen = m_recorder.seen;
    TavrinPlatform m_platform = m_pc.Platform();

    void Faults(const kbemu::KeyboardFaults& f) { m_keyboard.SetFaults(f); }

    // A device control request as the I/O manager hands it over: one buffer of
    // max(input, output) bytes holding the input, plus guard bytes behind it
    // so that a write past the output length shows.
    struct Request {
        std::vector<std::uint8_t> buffer;
        std::uint32_t inputLength;
        std::uint32_t outputLength;
        TavrinCompletion completion;
        static constexpr std::uint8_t GUARD = 0xA5;
        static constexpr std::size_t GUARD_BYTES = 64;

        bool GuardIntact() const
        {
            const std::size_t size = std::max(inputLength, outputLength);
            for (std::size_t i = size; i < buffer.size(); ++i)
                if (buffer[i] != GUARD)
                    return false;
            return true;
        }
    };

    Request Control(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t outputLength,
        std::uint32_t inputLength = UINT32_MAX)
    {
        Request r;
        r.inputLength = inputLength == UINT32_MAX ? static_cast<std::uint32_t>(input.size()) : inputLength;
        r.outputLength = outputLength;
        const std::size_t size = std::max<std::size_t>(r.inputLength, outputLength);
        r.buffer.assign(size + Request::GUARD_BYTES, Request::GUARD);
        std::copy(input.begin(), input.end(), r.buffer.begin());
        r.completion = TavrinServeControl(&m_platform, code, r.buffer.data(), r.inputLength, r.outputLength);
        return r;
    }

    std::vector<std::uint8_t> Block(const Request& r) const
    {
        return { r.buffer.begin(), r.buffer.begin() + r.completion.information };
    }
};
