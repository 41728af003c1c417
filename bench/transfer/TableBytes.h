// The bytes a write of a key table sends: header, the 128 key packets, finish.
#pragma once

#include <cstddef>
#include <cstdint>

#include <keydata/WritePackets.h>

inline std::size_t bytesSent(const keydata::KeyTable& table)
{
    std::size_t bytes
        = keydata::headerPacket(table.systemConfig, table.mcrConfig).length + keydata::finishPacket().length;
    std::uint16_t address = keydata::DATA_AREA_BASE;
    keydata::WritePacket packet;
    for (int key = 0; key < keydata::KEY_NUMBER_COUNT; ++key)
        if (keydata::keyPacket(table, key, address, packet) == keydata::PACKET_OK)
            bytes += packet.length;
    return bytes;
}
