#include "CCardReaderModel.h"

#include "ReaderStatus.h"
#include "vorelin_frame.h"

#include <array>

CCardReaderModel::CCardReaderModel() = default;

std::vector<std::uint8_t> CCardReaderModel::BuildReply(
    std::uint8_t status, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> reply;
    reply.reserve(data.size() + VORELIN_REPLY_OVERHEAD);
    reply.push_back(VORELIN_START_BYTE);
    reply.push_back(status);
    reply.push_back(static_cast<std::uint8_t>(data.size()));
    reply.insert(reply.end(), data.begin(), data.end());
    reply.push_back(vorelinCheckByte(reply.data() + VORELIN_REPLY_STATUS_OFFSET, reply.size() - 1));
    reply.push_back(VORELIN_END_BYTE);
    return reply;
}

void CCardReaderModel::InsertCard()
{
    m_present = true;
    m_powered = false;
    m_card.EndSession();
}

void CCardReaderModel::RemoveCard()
{
    m_present = false;
    m_powered = false;
    m_card.EndSession();
}

std::uint8_t CCardReaderModel::NeedPoweredCard() const
{
    if (!m_present)
        return READER_NO_CARD;
    if (!m_powered)
        return READER_NOT_POWERED;
    return READER_OK;
}

std::vector<std::uint8_t> CCardReaderModel::Handle(std::span<const std::uint8_t> request)
{
    // start, length N, command and N - 1 data bytes, check, end
    if (request.size() < VORELIN_REQUEST_OVERHEAD + 1 || request[0] != VORELIN_START_BYTE)
        return BuildReply(READER_BAD_FRAME);
    const std::size_t n = request[1];
    if (n == 0 || request.size() != n + VORELIN_REQUEST_OVERHEAD || request.back() != VORELIN_END_BYTE)
        return BuildReply(READER_BAD_FRAME);
    if (vorelinCheckByte(request.data() + 1, n + 1) != request[n + 2])
        return BuildReply(READER_BAD_CHECK);
    return Command(request[2], request.subspan(3, n - 1));
}

std::vector<std::uint8_t> CCardReaderModel::Command(std::uint8_t code, std::span<const std::uint8_t> data)
{
    switch (code) {
    case VORELIN_CMD_POWER_ON: {
        if (!data.empty())
            return BuildReply(READER_BAD_FRAME);
        if (!m_present)
            return BuildReply(READER_NO_CARD);
        m_powered = true;
        return BuildReply(READER_OK);
    }
    case VORELIN_CMD_POWER_OFF: {
        if (data.size() != 1)
            return BuildReply(READER_BAD_FRAME);
        m_powered = false;
        m_card.EndSession();
        return BuildReply(READER_OK);
    }
    case VORELIN_CMD_READ: {
        if (data.size() != VORELIN_ADDRESSING_BYTES)
            return BuildReply(READER_BAD_FRAME);
        if (const auto status = NeedPoweredCard(); status != READER_OK)
            return BuildReply(status);
        std::vector<std::uint8_t> bytes;
        const auto status = m_card.Read(data[0], data[1], data[2], bytes);
        return BuildReply(status,
            status == READER_OK ? std::span<const std::uint8_t>(bytes) : std::span<const std::uint8_t>());
    }
    case VORELIN_CMD_WRITE: {
        if (data.size() < VORELIN_ADDRESSING_BYTES
            || data.size() != VORELIN_ADDRESSING_BYTES + std::size_t(data[2]))
            return BuildReply(READER_BAD_FRAME);
        if (const auto status = NeedPoweredCard(); status != READER_OK)
            return BuildReply(status);
        return BuildReply(m_card.Write(data[0], data[1], data.subspan(VORELIN_ADDRESSING_BYTES)));
    }
    case VORELIN_CMD_CHECK_PASSWORD: {
        if (data.size() != VORELIN_PASSWORD_LENGTH)
            return BuildReply(READER_BAD_FRAME);
        if (const auto status = NeedPoweredCard(); status != READER_OK)
            return BuildReply(status);
        return BuildReply(m_card.CheckPassword(data));
    }
    case VORELIN_CMD_CARD_PRESENT: {
        if (!data.empty())
            return BuildReply(READER_BAD_FRAME);
        const std::array<std::uint8_t, 1> indication { m_present ? CARD_INDICATION_PRESENT
                                                                 : CARD_INDICATION_ABSENT };
        return BuildReply(READER_OK, indication);
    }
    case VORELIN_CMD_BEEP: {
        if (data.size() != 1)
            return BuildReply(READER_BAD_FRAME);
        if (data[0] != VORELIN_BEEP_SELECTOR_0 && data[0] != VORELIN_BEEP_SELECTOR_1)
            return BuildReply(READER_BAD_PARAMETER);
        ++m_beeps[data[0]];
        return BuildReply(READER_OK);
    }
    case VORELIN_CMD_VERSION: {
        if (!data.empty())
            return BuildReply(READER_BAD_FRAME);
        const auto* text = reinterpret_cast<const std::uint8_t*>(m_version.data());
        return BuildReply(READER_OK, std::span<const std::uint8_t>(text, m_version.size()));
    }
    default:
        return BuildReply(READER_UNKNOWN_COMMAND);
    }
}

bool CRequestFramer::Feed(std::uint8_t byte)
{
    if (m_complete)
        Reset();
    if (m_frame.empty()) {
        if (byte == VORELIN_START_BYTE)
            m_frame.push_back(byte);
        return false;
    }
    m_frame.push_back(byte);
    if (m_frame.size() >= 2 && m_frame.size() == std::size_t(m_frame[1]) + VORELIN_REQUEST_OVERHEAD)
        m_complete = true;
    return m_complete;
}

void CRequestFramer::Reset()
{
    m_frame.clear();
    m_complete = false;
}
