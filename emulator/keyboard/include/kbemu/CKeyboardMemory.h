// The programmable keyboard's 4 KiB memory, optionally kept in a store (a
// file) so that it survives across runs as the real keyboard's memory does.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace kbemu {

inline constexpr std::uint32_t MEMORY_SIZE = 0x1000;
inline constexpr std::uint8_t ERASED_BYTE = 0xFF; // a never-written cell

// Results of Open and Commit.
inline constexpr int MEMORY_OK = 0;
inline constexpr int MEMORY_E_OPEN = -1; // the file cannot be opened or created
inline constexpr int MEMORY_E_SIZE = -2; // the file exists but is not a memory file
inline constexpr int MEMORY_E_IO = -3; // reading, writing or syncing the file failed
inline constexpr int MEMORY_E_NOT_OWN = -4; // a link, not a regular file, or not the user's

// Where the cells are kept between runs. Two steps, because making bytes
// survive a crash of the machine costs milliseconds on a loaded disk, which
// a write paced at 1 ms a byte cannot pay after every command.
class CMemoryStore {
public:
    virtual ~CMemoryStore() = default;
    // Writes bytes [offset, offset + count) through: MEMORY_OK once they
    // survive the end of this process, else MEMORY_E_IO.
    virtual int Save(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) = 0;
    // Makes everything saved so far survive a crash of the machine.
    virtual int Sync() = 0;
};

class CKeyboardMemory {
public:
    CKeyboardMemory();
    ~CKeyboardMemory();
    CKeyboardMemory(const CKeyboardMemory&) = delete;
    CKeyboardMemory& operator=(const CKeyboardMemory&) = delete;

    // Binds the memory to a file (POSIX builds): an existing file of exactly
    // MEMORY_SIZE bytes is loaded; a missing or empty file is created erased.
    // Any other file is left untouched and refused, so a wrong path cannot
    // destroy data; so is a symbolic link, a file that is not regular and
    // one that belongs to another user.
    int Open(const std::string& path);
    // Binds the memory to a store that already holds these cells (loaded by
    // the caller through Store, then marked clean with Commit before this).
    void Attach(std::unique_ptr<CMemoryStore> store);
    bool HasFile() const { return m_store != nullptr; }

    std::uint8_t Byte(std::uint32_t address) const { return m_bytes[address % MEMORY_SIZE]; }
    void Store(std::uint32_t address, std::uint8_t value);
    // Saves what changed since the last successful commit to the store, if
    // there is one. A failed save keeps its range dirty for the next commit.
    int Commit();
    // Commits, then makes what was saved since the last sync durable. A
    // failed sync makes that range dirty again, so the next commit saves it
    // anew.
    int Sync();
    void Erase();
    bool Dirty() const { return m_dirtyFrom < m_dirtyTo; }
    // Commits and syncs that failed, so far.
    std::uint32_t FailedCommits() const { return m_failedCommits; }

    const std::array<std::uint8_t, MEMORY_SIZE>& Bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, MEMORY_SIZE> m_bytes;
    std::unique_ptr<CMemoryStore> m_store;
    std::uint32_t m_dirtyFrom = MEMORY_SIZE;
    std::uint32_t m_dirtyTo = 0;
    std::uint32_t m_unsyncedFrom = MEMORY_SIZE;
    std::uint32_t m_unsyncedTo = 0;
    std::uint32_t m_failedCommits = 0;
};

} // namespace kbemu
