#include "kbemu/KeyboardMemory.h"

#include <algorithm>

namespace kbemu {

CKeyboardMemory::CKeyboardMemory()
{
    bytes_.fill(ERASED_BYTE);
}

int CKeyboardMemory::Open(const std::string& path)
{
    file_.close();
    {
        std::ifstream probe(path, std::ios::binary | std::ios::ate);
        if (probe.is_open()) {
            const std::streamoff size = probe.tellg();
            if (size == static_cast<std::streamoff>(MEMORY_SIZE)) {
                probe.seekg(0);
                if (!probe.read(reinterpret_cast<char*>(bytes_.data()), MEMORY_SIZE))
                    return MEMORY_E_IO;
                file_.open(path, std::ios::binary | std::ios::in | std::ios::out);
                return file_.is_open() ? MEMORY_OK : MEMORY_E_OPEN;
            }
            if (size != 0)
                return MEMORY_E_SIZE;
        }
    }
    // New (or empty) file: an erased keyboard.
    bytes_.fill(ERASED_BYTE);
    file_.open(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!file_.is_open())
        return MEMORY_E_OPEN;
    dirtyFrom_ = 0;
    dirtyTo_ = MEMORY_SIZE;
    return Commit();
}

void CKeyboardMemory::Store(std::uint32_t address, std::uint8_t value)
{
    address %= MEMORY_SIZE;
    bytes_[address] = value;
    dirtyFrom_ = std::min(dirtyFrom_, address);
    dirtyTo_ = std::max(dirtyTo_, address + 1);
}

void CKeyboardMemory::Erase()
{
    bytes_.fill(ERASED_BYTE);
    dirtyFrom_ = 0;
    dirtyTo_ = MEMORY_SIZE;
}

int CKeyboardMemory::Commit()
{
    if (dirtyFrom_ >= dirtyTo_)
        return MEMORY_OK;
    const std::uint32_t from = dirtyFrom_;
    const std::uint32_t to = dirtyTo_;
    dirtyFrom_ = MEMORY_SIZE;
    dirtyTo_ = 0;
    if (!file_.is_open())
        return MEMORY_OK;
    file_.clear();
    file_.seekp(from);
    file_.write(reinterpret_cast<const char*>(bytes_.data() + from), to - from);
    file_.flush();
    return file_.good() ? MEMORY_OK : MEMORY_E_IO;
}

} // namespace kbemu
