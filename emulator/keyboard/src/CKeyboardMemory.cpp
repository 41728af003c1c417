#include "kbemu/CKeyboardMemory.h"

#include <algorithm>

namespace kbemu {

CKeyboardMemory::CKeyboardMemory()
{
    m_bytes.fill(ERASED_BYTE);
}

CKeyboardMemory::~CKeyboardMemory() = default;

void CKeyboardMemory::Attach(std::unique_ptr<CMemoryStore> store)
{
    m_store = std::move(store);
}

void CKeyboardMemory::Store(std::uint32_t address, std::uint8_t value)
{
    address %= MEMORY_SIZE;
    m_bytes[address] = value;
    m_dirtyFrom = std::min(m_dirtyFrom, address);
    m_dirtyTo = std::max(m_dirtyTo, address + 1);
}

void CKeyboardMemory::Erase()
{
    m_bytes.fill(ERASED_BYTE);
    m_dirtyFrom = 0;
    m_dirtyTo = MEMORY_SIZE;
}

int CKeyboardMemory::Commit()
{
    if (!Dirty())
        return MEMORY_OK;
    if (m_store) {
        const int saved = m_store->Save(m_dirtyFrom, m_bytes.data() + m_dirtyFrom, m_dirtyTo - m_dirtyFrom);
        if (saved != MEMORY_OK) {
            ++m_failedCommits;
            return saved;
        }
    }
    m_unsyncedFrom = std::min(m_unsyncedFrom, m_dirtyFrom);
    m_unsyncedTo = std::max(m_unsyncedTo, m_dirtyTo);
    m_dirtyFrom = MEMORY_SIZE;
    m_dirtyTo = 0;
    return MEMORY_OK;
}

int CKeyboardMemory::Sync()
{
    const int committed = Commit();
    if (committed != MEMORY_OK || !m_store || m_unsyncedFrom >= m_unsyncedTo)
        return committed;
    if (m_store->Sync() != MEMORY_OK) {
        // What the failed sync covered may not be on the disk: save it again.
        m_dirtyFrom = std::min(m_dirtyFrom, m_unsyncedFrom);
        m_dirtyTo = std::max(m_dirtyTo, m_unsyncedTo);
        ++m_failedCommits;
        return MEMORY_E_IO;
    }
    m_unsyncedFrom = MEMORY_SIZE;
    m_unsyncedTo = 0;
    return MEMORY_OK;
}

} // namespace kbemu
