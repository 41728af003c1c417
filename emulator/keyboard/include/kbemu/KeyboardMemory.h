// The programmable keyboard's 4 KiB memory, optionally kept in a file so that
// it survives across runs as the real keyboard's memory does.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

namespace kbemu {

inline constexpr std::uint32_t MEMORY_SIZE = 0x1000;
inline constexpr std::uint8_t ERASED_BYTE = 0xFF; // a never-written cell

// Results of Open and Commit.
inline constexpr int MEMORY_OK = 0;
inline constexpr int MEMORY_E_OPEN = -1; // the file cannot be opened or created
inline constexpr int MEMORY_E_SIZE = -2; // the file exists but is not a memory file
inline constexpr int MEMORY_E_IO = -3; // reading or writing the file failed

class CKeyboardMemory {
public:
    CKeyboardMemory();
    CKeyboardMemory(const CKeyboardMemory&) = delete;
    CKeyboardMemory& operator=(const CKeyboardMemory&) = delete;

    // Binds the memory to a file: an existing file of exactly MEMORY_SIZE
    // bytes is loaded; a missing or empty file is created erased. Any other
    // file is left untouched and refused, so a wrong path cannot destroy data.
    int Open(const std::string& path);
    bool HasFile() const { return file_.is_open(); }

    std::uint8_t Byte(std::uint32_t address) const { return bytes_[address % MEMORY_SIZE]; }
    void Store(std::uint32_t address, std::uint8_t value);
    // Writes what changed since the last commit to the file, if there is one.
    int Commit();
    void Erase();

    const std::array<std::uint8_t, MEMORY_SIZE>& Bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, MEMORY_SIZE> bytes_;
    std::fstream file_;
    std::uint32_t dirtyFrom_ = MEMORY_SIZE;
    std::uint32_t dirtyTo_ = 0;
};

} // namespace kbemu
