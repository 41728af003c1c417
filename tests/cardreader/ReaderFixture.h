// An emulated reader on a fresh pseudo-terminal with the library's port open
// on it: the real path that an application takes.
#pragma once

#include "CCardReaderEmulator.h"
#include "vorelin.h"

#include <gtest/gtest.h>

#include <vector>

using Bytes = std::vector<unsigned char>;

class ReaderFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_emu.SetPacing(false);
        ASSERT_EQ(m_emu.Start(), 0);
        m_port = OpenComProt(m_emu.SlavePath().c_str());
        ASSERT_NE(m_port, nullptr);
    }

    void TearDown() override
    {
        if (m_port)
            CloseComProt(m_port);
        m_emu.Stop();
    }

    void Arm(ReaderFaultKind kind)
    {
        ReaderFault fault;
        fault.kind = kind;
        m_emu.ArmFault(fault);
    }

    void ArmReply(const Bytes& reply)
    {
        ReaderFault fault;
        fault.kind = ReaderFaultKind::Canned;
        fault.reply = reply;
        m_emu.ArmFault(fault);
    }

    // The request frames the reader has received, oldest first.
    std::vector<Bytes> Requests() const
    {
        std::vector<Bytes> out;
        for (const auto& r : m_emu.Requests())
            out.emplace_back(r.begin(), r.end());
        return out;
    }

    // Every byte the reader has received.
    Bytes Received() const
    {
        const auto all = m_emu.Received();
        return Bytes(all.begin(), all.end());
    }

    Bytes LastRequest() const
    {
        const auto all = Requests();
        return all.empty() ? Bytes {} : all.back();
    }

    // Powers the card and presents the default password.
    void Unlock()
    {
        const unsigned char password[3] = { 0xFF, 0xFF, 0xFF };
        ASSERT_EQ(PowerOn(m_port), 0);
        ASSERT_EQ(CheckPassword(m_port, password), 0);
    }

    CCardReaderEmulator m_emu;
    VorelinHandle m_port = nullptr;
};
