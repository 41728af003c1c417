#include "kbemu/CKeyboardMemory.h"

#include <algorithm>

namespace kbemu {

CKeyboardMemory::CKeyboardMemory()
{
    bytes_.fill(ERASED_BYTE);
}

CKeyboardMemory::~CKeyboardMemory() = default;

void CKeyboardMemory::Attach(std::unique_ptr<CMemoryStore> store)
{
    store_ = std::move(store);
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
    if (!Dirty())
        return MEMORY_OK;
    if (store_) {
        const int saved = store_->Save(dirtyFrom_, bytes_.data() + dirtyFrom_, dirtyTo_ - dirtyFrom_);
        if (saved != MEMORY_OK) {
            ++failedCommits_;
            return saved;
        }
    }
    unsyncedFrom_ = std::min(unsyncedFrom_, dirtyFrom_);
    unsyncedTo_ = std::max(unsyncedTo_, dirtyTo_);
    dirtyFrom_ = MEMORY_SIZE;
    dirtyTo_ = 0;
    return MEMORY_OK;
}

int CKeyboardMemory::Sync()
{
    const int committed = Commit();
    if (committed != MEMORY_OK || !store_ || unsyncedFrom_ >= unsyncedTo_)
        return committed;
    if (store_->Sync() != MEMORY_OK) {
        // What the failed sync covered may not be on the disk: save it again.
        dirtyFrom_ = std::min(dirtyFrom_, unsyncedFrom_);
        dirtyTo_ = std::max(dirtyTo_, unsyncedTo_);
        ++failedCommits_;
        return MEMORY_E_IO;
    }
    unsyncedFrom_ = MEMORY_SIZE;
    unsyncedTo_ = 0;
    return MEMORY_OK;
}

} // namespace kbemu
