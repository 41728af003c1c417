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
        emu.SetPacing(false);
        ASSERT_EQ(emu.Start(), 0);
        port = OpenComProt(emu.SlavePath().c_str());
        ASSERT_NE(port, nullptr);
    }

    void TearDown() override
    {
        if (port)
            CloseComProt(port);
        emu.Stop();
    }

    void Arm(EReaderFault kind)
    {
        CReaderFault fault;
        fault.kind = kind;
        emu.ArmFault(fault);
    }

    void ArmReply(const Bytes& reply)
    {
        CReaderFault fault;
        fault.kind = EReaderFault::Canned;
        fault.reply = reply;
        emu.ArmFault(fault);
    }

    // The request frames the reader has received, oldest first.
    std::vector<Bytes> Requests() const
    {
        std::vector<Bytes> out;
        for (const auto& r : emu.Requests())
            out.emplace_back(r.begin(), r.end());
        return out;
    }

    // Every byte the reader has received.
    Bytes Received() const
    {
        const auto all = emu.Received();
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
        ASSERT_EQ(PowerOn(port), 0);
        ASSERT_EQ(CheckPassword(port, password), 0);
    }

    CCardReaderEmulator emu;
    VorelinHandle port = nullptr;
};
