// A memory card: main memory, protection memory and a security area holding
// an error counter and a three-byte password.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CMemoryCard {
public:
    static constexpr std::uint8_t AREA_MAIN = 0;
    static constexpr std::uint8_t AREA_PROTECTION = 1;
    static constexpr std::uint8_t AREA_SECURITY = 2;
    static constexpr std::size_t MAIN_SIZE = 256;
    static constexpr std::size_t PROTECTION_SIZE = 32;
    static constexpr std::size_t SECURITY_SIZE = 4;
    // Security area layout: attempts left, then the password.
    static constexpr std::size_t COUNTER_ADDRESS = 0;
    static constexpr std::size_t PASSWORD_ADDRESS = 1;
    static constexpr std::size_t PASSWORD_LENGTH = 3;
    static constexpr std::uint8_t MAX_ATTEMPTS = 3;
    static constexpr std::uint8_t ERASED = 0xFF;
    static constexpr std::array<std::uint8_t, PASSWORD_LENGTH> DEFAULT_PASSWORD { 0xFF, 0xFF, 0xFF };

    CMemoryCard();

    // Each returns a reader status (ReaderStatus.h).
    std::uint8_t Read(
        std::uint8_t which, std::uint8_t address, std::uint8_t count, std::vector<std::uint8_t>& out) const;
    std::uint8_t Write(std::uint8_t which, std::uint8_t address, std::span<const std::uint8_t> data);
    std::uint8_t CheckPassword(std::span<const std::uint8_t> password);

    // Forgets a verified password, as when the card loses power.
    void EndSession() { m_verified = false; }

    void SetPassword(const std::array<std::uint8_t, PASSWORD_LENGTH>& password);
    std::array<std::uint8_t, PASSWORD_LENGTH> Password() const;
    std::uint8_t AttemptsLeft() const { return m_security[COUNTER_ADDRESS]; }
    bool Locked() const { return AttemptsLeft() == 0; }
    bool Verified() const { return m_verified; }
    // The raw contents of an area, or an empty span for an unknown one.
    std::span<const std::uint8_t> Area(std::uint8_t which) const;

private:
    std::span<std::uint8_t> WritableArea(std::uint8_t which);

    std::array<std::uint8_t, MAIN_SIZE> m_main {};
    std::array<std::uint8_t, PROTECTION_SIZE> m_protection {};
    std::array<std::uint8_t, SECURITY_SIZE> m_security {};
    bool m_verified = false;
};
