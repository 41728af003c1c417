#include "CMemoryCard.h"

#include "ReaderStatus.h"

#include <algorithm>
#include <utility>

CMemoryCard::CMemoryCard()
{
    m_main.fill(ERASED);
    m_security[COUNTER_ADDRESS] = MAX_ATTEMPTS;
    SetPassword(DEFAULT_PASSWORD);
}

std::span<const std::uint8_t> CMemoryCard::Area(std::uint8_t which) const
{
    switch (which) {
    case AREA_MAIN:
        return m_main;
    case AREA_PROTECTION:
        return m_protection;
    case AREA_SECURITY:
        return m_security;
    default:
        return {};
    }
}

std::span<std::uint8_t> CMemoryCard::WritableArea(std::uint8_t which)
{
    const auto bytes = std::as_const(*this).Area(which);
    return { const_cast<std::uint8_t*>(bytes.data()), bytes.size() };
}

std::uint8_t CMemoryCard::Read(
    std::uint8_t which, std::uint8_t address, std::uint8_t count, std::vector<std::uint8_t>& out) const
{
    const auto bytes = Area(which);
    if (bytes.empty() || std::size_t(address) + count > bytes.size())
        return READER_BAD_ADDRESS;
    out.assign(bytes.begin() + address, bytes.begin() + address + count);
    // The password reads as zeros until it has been presented.
    if (which == AREA_SECURITY && !m_verified) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = std::size_t(address) + i;
            if (at >= PASSWORD_ADDRESS && at < PASSWORD_ADDRESS + PASSWORD_LENGTH)
                out[i] = 0;
        }
    }
    return READER_OK;
}

std::uint8_t CMemoryCard::Write(std::uint8_t which, std::uint8_t address, std::span<const std::uint8_t> data)
{
    const auto bytes = WritableArea(which);
    if (bytes.empty() || std::size_t(address) + data.size() > bytes.size())
        return READER_BAD_ADDRESS;
    if (!m_verified)
        return READER_NOT_VERIFIED;
    if (which == AREA_MAIN) {
        // Protection byte i, when not 0, guards main memory byte i.
        for (std::size_t i = 0; i < data.size(); ++i) {
            const std::size_t at = std::size_t(address) + i;
            if (at < PROTECTION_SIZE && m_protection[at] != 0)
                return READER_WRITE_PROTECTED;
        }
    }
    std::copy(data.begin(), data.end(), bytes.begin() + address);
    return READER_OK;
}

std::uint8_t CMemoryCard::CheckPassword(std::span<const std::uint8_t> password)
{
    if (Locked())
        return READER_CARD_LOCKED;
    if (password.size() == PASSWORD_LENGTH
        && std::equal(password.begin(), password.end(), m_security.begin() + PASSWORD_ADDRESS)) {
        m_security[COUNTER_ADDRESS] = MAX_ATTEMPTS;
        m_verified = true;
        return READER_OK;
    }
    --m_security[COUNTER_ADDRESS];
    m_verified = false;
    return READER_WRONG_PASSWORD;
}

void CMemoryCard::SetPassword(const std::array<std::uint8_t, PASSWORD_LENGTH>& password)
{
    std::copy(password.begin(), password.end(), m_security.begin() + PASSWORD_ADDRESS);
}

std::array<std::uint8_t, CMemoryCard::PASSWORD_LENGTH> CMemoryCard::Password() const
{
    std::array<std::uint8_t, PASSWORD_LENGTH> out {};
    std::copy_n(m_security.begin() + PASSWORD_ADDRESS, PASSWORD_LENGTH, out.begin());
    return out;
}
