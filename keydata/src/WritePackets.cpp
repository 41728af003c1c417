#include <keydata/WritePackets.h>

namespace keydata {

namespace {

constexpr std::uint8_t ADDRESS_LOW_MASK = 0x7F;
constexpr std::uint8_t ADDRESS_BIT7_IN_FIRST = 0x40;
constexpr int KIND_SHIFT = 4;
constexpr std::uint8_t CONTENT_TERMINATOR = 0x00;

class CPacketWriter {
public:
    explicit CPacketWriter(WritePacket& packet)
        : m_packet(packet)
    {
        m_packet.length = 0;
    }
    void Put(std::uint8_t b) { m_packet.bytes[m_packet.length++] = b; }
    void SetAddress(std::uint16_t address)
    {
        const auto pair = addressPair(address);
        Put(CMD_SET_ADDRESS);
        Put(pair[0]);
        Put(pair[1]);
    }

private:
    WritePacket& m_packet;
};

bool hasData(std::uint8_t kind)
{
    return kind == KIND_FUNCTION || kind == KIND_STRING;
}

} // namespace

std::array<std::uint8_t, 2> addressPair(std::uint16_t address)
{
    return { static_cast<std::uint8_t>((address >> 8) | ((address >> 1) & ADDRESS_BIT7_IN_FIRST)),
        static_cast<std::uint8_t>(address & ADDRESS_LOW_MASK) };
}

WritePacket headerPacket(std::uint8_t systemConfig, std::uint8_t mcrConfig)
{
    WritePacket packet;
    CPacketWriter out(packet);
    out.SetAddress(HEADER_ADDRESS);
    out.Put(CMD_WRITE);
    out.Put(HEADER_SIGNATURE_0);
    out.Put(HEADER_SIGNATURE_1);
    out.Put(systemConfig & SETTINGS_MASK);
    out.Put(mcrConfig & SETTINGS_MASK);
    return packet;
}

int keyPacket(const KeyTable& table, int keyNumber, std::uint16_t& dataAddress, WritePacket& packet)
{
    if (keyNumber < 0 || keyNumber >= KEY_NUMBER_COUNT)
        return PACKET_E_KEY_NUMBER;
    const KeyRecord& record = table.RecordOfKeyNumber(keyNumber);
    const auto content = record.Bytes();
    std::uint8_t entry[2];
    if (hasData(record.kind)) {
        const std::size_t end = std::size_t { dataAddress } + content.size() + 1;
        if (dataAddress < DATA_AREA_BASE || end > DATA_AREA_END)
            return PACKET_E_DATA_AREA;
        const auto pair = addressPair(dataAddress);
        entry[0] = static_cast<std::uint8_t>((record.kind << KIND_SHIFT) | pair[0]);
        entry[1] = pair[1];
    } else if (record.kind == KIND_EMPTY || record.kind == KIND_SWITCH) {
        entry[0] = static_cast<std::uint8_t>(record.kind << KIND_SHIFT);
        entry[1] = record.content[0];
    } else {
        // Unknown kinds go out as empty keys (checkKeyboardFit reports them).
        entry[0] = KIND_EMPTY;
        entry[1] = 0;
    }

    CPacketWriter out(packet);
    out.SetAddress(static_cast<std::uint16_t>(KEY_ENTRY_BASE + 2 * keyNumber));
    out.Put(CMD_WRITE);
    out.Put(entry[0]);
    out.Put(entry[1]);
    if (hasData(record.kind)) {
        out.SetAddress(dataAddress);
        out.Put(CMD_WRITE);
        for (std::uint8_t b : content)
            out.Put(b);
        out.Put(CONTENT_TERMINATOR);
        dataAddress = static_cast<std::uint16_t>(dataAddress + content.size() + 1);
    }
    return PACKET_OK;
}

WritePacket finishPacket()
{
    WritePacket packet;
    CPacketWriter out(packet);
    out.Put(CMD_FINISH);
    out.Put(FINISH_ARGUMENT);
    return packet;
}

} // namespace keydata
