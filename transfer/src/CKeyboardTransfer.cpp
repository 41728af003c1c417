#include "transfer/CKeyboardTransfer.h"

#include <keydata/KeyboardProtocol.h>
#include <keydata/KeyImage.h>
#include <keydata/WritePackets.h>
#include <tavrin/TavrinControl.h>

#include <algorithm>
#include <span>

namespace transfer {

namespace {

using driverchannel::CHANNEL_SUCCESS;

// The read request: the one command byte the driver sends to the keyboard.
constexpr std::uint8_t READ_REQUEST[] = { keydata::CMD_READ };

int send(driverchannel::CDriverChannel& channel, const keydata::WritePacket& packet)
{
    return channel.Send(IOCTL_SEND_BYTES, packet.bytes.data(), static_cast<std::uint32_t>(packet.length));
}

} // namespace

CKeyboardTransfer::CKeyboardTransfer(driverchannel::CDriverChannel& channel)
    : m_channel(channel)
{
}

WriteResult CKeyboardTransfer::Write(
    const keydata::KeyTable& table, const WriteProgress& progress, bool verify)
{
    WriteResult result;
    result.fit = keydata::checkKeyboardFit(table);
    if (!result.fit.Fits()) {
        result.status = WriteStatus::NotFitting;
        return result;
    }

    // A header the keyboard did not take leaves it without its signature and
    // settings: the write has failed, however the key packets fare.
    result.channelResult = send(m_channel, keydata::headerPacket(table.systemConfig, table.mcrConfig));
    if (result.channelResult != CHANNEL_SUCCESS) {
        result.status = WriteStatus::HeaderFailed;
        return result;
    }
    ++result.packetsSent;

    std::uint16_t dataAddress = keydata::DATA_AREA_BASE;
    keydata::WritePacket packet;
    for (int keyNumber = 0; keyNumber < keydata::KEY_NUMBER_COUNT; ++keyNumber) {
        if (progress)
            progress(keyNumber);
        // The fit check has made sure every content lies within the data area.
        if (keydata::keyPacket(table, keyNumber, dataAddress, packet) != keydata::PACKET_OK) {
            result.status = WriteStatus::KeyFailed;
            result.failedKeyNumber = keyNumber;
            return result;
        }
        result.channelResult = send(m_channel, packet);
        if (result.channelResult != CHANNEL_SUCCESS) {
            result.status = WriteStatus::KeyFailed;
            result.failedKeyNumber = keyNumber;
            return result;
        }
        ++result.packetsSent;
    }

    result.channelResult = send(m_channel, keydata::finishPacket());
    if (result.channelResult != CHANNEL_SUCCESS) {
        result.status = WriteStatus::FinishFailed;
        return result;
    }
    ++result.packetsSent;
    result.status = WriteStatus::Written;
    if (!verify)
        return result;

    // The keyboard answers every byte it takes, but only its memory tells
    // whether the table is there.
    if (progress)
        progress(VERIFY_STEP);
    keydata::KeyboardContents back;
    result.verifyRead = Read(back);
    if (!result.verifyRead.Succeeded()) {
        result.status = WriteStatus::VerifyReadFailed;
        return result;
    }
    result.verified = true;
    result.difference = compareWithKeyboard(table, back);
    if (!result.difference.Empty())
        result.status = WriteStatus::Mismatch;
    return result;
}

ReadResult CKeyboardTransfer::ReadBlock(std::span<const std::uint8_t>& block)
{
    std::fill(m_receive.begin(), m_receive.end(), std::uint8_t { 0 });
    ReadResult result;
    result.count = m_channel.Request(IOCTL_READ_DATA, READ_REQUEST, sizeof READ_REQUEST, m_receive.data(),
        static_cast<std::uint32_t>(m_receive.size()));
    if (result.count < 0)
        result.status = ReadStatus::RequestFailed;
    else if (result.count == 0)
        result.status = ReadStatus::NothingReturned;
    else if (result.count > READ_COUNT_LIMIT)
        result.status = ReadStatus::TooLong;
    else if (result.count == 1)
        result.status = ReadStatus::EndOnly;
    if (result.status != ReadStatus::Read)
        return result;
    // The count includes the end byte the driver appends, also after a
    // time-out: only the groups show whether the image is whole.
    block = { m_receive.data(), static_cast<std::size_t>(result.count) };
    if (!keydata::isWholeImage(block))
        result.status = ReadStatus::Incomplete;
    return result;
}

ReadResult CKeyboardTransfer::Read(keydata::KeyTable& table)
{
    std::span<const std::uint8_t> block;
    ReadResult result = ReadBlock(block);
    // ReadBlock keeps to READ_COUNT_LIMIT, which is decodeImage's limit.
    if (result.Succeeded() && !keydata::decodeImage(table, block))
        result.status = ReadStatus::TooLong;
    return result;
}

ReadResult CKeyboardTransfer::Read(keydata::KeyboardContents& contents)
{
    std::span<const std::uint8_t> block;
    ReadResult result = ReadBlock(block);
    // ReadBlock keeps to READ_COUNT_LIMIT, which is decodeImage's limit.
    if (result.Succeeded() && !keydata::decodeImage(contents, block))
        result.status = ReadStatus::TooLong;
    return result;
}

TableDifference compareWithKeyboard(const keydata::KeyTable& written, const keydata::KeyboardContents& read)
{
    TableDifference difference;
    for (int keyNumber = 0; keyNumber < keydata::KEY_NUMBER_COUNT; ++keyNumber)
        if (!(written.RecordOfKeyNumber(keyNumber) == read.keys[std::size_t(keyNumber)]))
            difference.keyNumbers.push_back(keyNumber);
    difference.systemConfig = (written.systemConfig & keydata::SETTINGS_MASK) != read.systemConfig;
    difference.mcrConfig = (written.mcrConfig & keydata::SETTINGS_MASK) != read.mcrConfig;
    return difference;
}

std::bitset<keydata::GRID_KEYS> keyCapsToMark(const keydata::KeyTable& table)
{
    std::bitset<keydata::GRID_KEYS> marks;
    for (int index = 0; index < keydata::GRID_KEYS; ++index) {
        const keydata::GridSlot slot = keydata::slotOfGridIndex(index);
        if (slot.IsValid() && !table.Record(slot.row, slot.column).IsEmpty())
            marks.set(static_cast<std::size_t>(index));
    }
    return marks;
}

} // namespace transfer
